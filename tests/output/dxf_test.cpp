#include "output/Dxf.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "app/TestSupport.hpp"
#include "app/Texts.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::MakeLoop;
using testing_support::ReadBytes;
using testing_support::Rect;
using testing_support::SplitLines;
using testing_support::TempDir;

// What a writer puts into a file, read back as text.
template <typename Write>
std::string Written(Write write) {
  TempDir dir;
  const std::string path = dir.File("out.dxf");
  std::FILE* f = std::fopen(path.c_str(), "w");
  write(f);
  std::fclose(f);
  return ReadBytes(path);
}

std::string Number(double v) {
  return Written([v](std::FILE* f) { WriteDxfNumber(f, v); });
}

TEST(DxfNumberTest, SixSignificantDigitsWithoutTrailingZeros) {
  EXPECT_EQ(Number(1234.5678), "1234.57\n");
  EXPECT_EQ(Number(-0.25), "-0.25\n");
  EXPECT_EQ(Number(1000000), "1e+06\n");
  EXPECT_EQ(Number(2500000), "2.5e+06\n");
  EXPECT_EQ(Number(999999), "999999\n");
  EXPECT_EQ(Number(6000), "6000\n");
  EXPECT_EQ(Number(0), "0\n");
  EXPECT_EQ(Number(0.1), "0.1\n");
  EXPECT_EQ(Number(0.0001), "0.0001\n");
  EXPECT_EQ(Number(0.00001), "1e-05\n");
  EXPECT_EQ(Number(6.123233995736766e-17), "6.12323e-17\n");
}

const std::vector<std::string> kLineCodes{"LINE", "  8", "0", " 10", "", " 20", "",    " 30",
                                          "0.0",  " 11", "",  " 21", "", " 31", "0.0", "  0"};

std::vector<std::string> LineEntity(const std::string& x1, const std::string& y1,
                                    const std::string& x2, const std::string& y2) {
  std::vector<std::string> e = kLineCodes;
  e[4] = x1;
  e[6] = y1;
  e[10] = x2;
  e[12] = y2;
  return e;
}

TEST(DxfTest, LineEntity) {
  const std::string text = Written([](std::FILE* f) {
    WriteDxfLine(Vertex{1.5, -2}, Vertex{1234.5678, 0}, f);
  });
  EXPECT_EQ(SplitLines(text), LineEntity("1.5", "-2", "1234.57", "0"));
  EXPECT_EQ(text.back(), '\n');
}

Part PlateA() {
  LoopList holes;
  holes.PushFront(MakeLoop({{50, 25}, {50, 75}, {150, 75}, {150, 25}}));
  Part p;
  p.Set("plate A", MakeLoop(Rect(0, 0, 200, 100)), holes);
  return p;
}

TEST(DxfTest, PlatePartWritesEightLinesAndItsText) {
  const std::vector<std::string> lines =
      SplitLines(Written([](std::FILE* f) { WritePartDxf(PlateA(), f); }));
  ASSERT_EQ(lines.size(), 9u * 16u);
  std::vector<std::string> expected;
  const auto add = [&](std::vector<std::string> e) {
    expected.insert(expected.end(), e.begin(), e.end());
  };
  add(LineEntity("0", "0", "200", "0"));
  add(LineEntity("200", "0", "200", "100"));
  add(LineEntity("200", "100", "0", "100"));
  add(LineEntity("0", "100", "0", "0"));
  add(LineEntity("50", "25", "50", "75"));
  add(LineEntity("50", "75", "150", "75"));
  add(LineEntity("150", "75", "150", "25"));
  add(LineEntity("150", "25", "50", "25"));
  add({"TEXT", "  8", "1", " 10", "100", " 20", "50", " 30", "0", " 40", "10", "  1", "plate A",
       " 50", "0", "  0"});
  EXPECT_EQ(lines, expected);
}

TEST(DxfTest, HolesAreDrawnInListOrder) {
  LoopList holes;  // pushed to the front: the part lists them in this order
  holes.PushFront(MakeLoop(Rect(10, 10, 20, 20)));
  holes.PushFront(MakeLoop(Rect(30, 10, 40, 20)));
  Part p;
  p.Set("two holes", MakeLoop(Rect(0, 0, 50, 30)), holes);
  ASSERT_EQ(p.InnerLoops.Loops()[0].Vertices()[0], (Vertex{10, 10}));
  const std::vector<std::string> lines =
      SplitLines(Written([&p](std::FILE* f) { WritePartDxf(p, f); }));
  ASSERT_EQ(lines.size(), 13u * 16u);
  EXPECT_EQ(lines[4 * 16 + 4], "10");  // first hole edge starts at (10, 10)
  EXPECT_EQ(lines[8 * 16 + 4], "30");
}

TEST(DxfTest, QuarterTurnedPartWritesAngle90AndFourTurns360) {
  Part p = PlateA();
  p.Rotate(Vertex{0, 0}, Pi() / 2);
  std::vector<std::string> lines = SplitLines(Written([&p](std::FILE* f) { WritePartDxf(p, f); }));
  ASSERT_EQ(lines.size(), 9u * 16u);
  EXPECT_EQ(lines[8 * 16 + 14], "90");
  EXPECT_EQ(lines[8 * 16 + 10], "10");  // the height stays
  // The turned rectangle's corner x is a rounding residue, in exponent form.
  EXPECT_NE(lines[1 * 16 + 4].find("e-"), std::string::npos) << lines[1 * 16 + 4];
  for (int i = 0; i < 3; ++i) p.Rotate(Vertex{0, 0}, Pi() / 2);
  lines = SplitLines(Written([&p](std::FILE* f) { WritePartDxf(p, f); }));
  EXPECT_EQ(lines[8 * 16 + 14], "360");
}

TEST(DxfTest, LongNameIsWrittenWhole) {
  const std::string name = std::string(60, 'x') + "\xb0\xe5" + std::string(20, 'y');
  Part p;
  p.Set(name, MakeLoop(Rect(0, 0, 10, 10)), LoopList{});
  const std::vector<std::string> lines =
      SplitLines(Written([&p](std::FILE* f) { WritePartDxf(p, f); }));
  ASSERT_EQ(lines.size(), 5u * 16u);
  EXPECT_EQ(lines[4 * 16 + 12], name);
}

TEST(DxfTest, EmptySheetDrawing) {
  FileConsole console;
  TempDir dir;
  PackJob job;
  job.SheetLength = 6000;
  job.SheetWidth = 2000;
  job.UpdateSheetBox();
  const std::string path = dir.File("Layout.dxf");
  testing_support::WriteBytes(path, std::string(5000, 'z'));  // replaced, not appended to
  job.WriteDxf(path);
  const std::vector<std::string> lines = SplitLines(ReadBytes(path));
  ASSERT_EQ(lines.size(), 72u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"  0", "SECTION", "  2", "ENTITIES", "  0"}));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.begin() + 21),
            LineEntity("0", "0", "6000", "0"));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 21, lines.begin() + 37),
            LineEntity("6000", "0", "6000", "2000"));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 37, lines.begin() + 53),
            LineEntity("6000", "2000", "0", "2000"));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 53, lines.begin() + 69),
            LineEntity("0", "2000", "0", "0"));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 69, lines.end()),
            (std::vector<std::string>{"ENDSEC", "  0", "EOF"}));
  EXPECT_EQ(ReadBytes(path).back(), '\n');
  EXPECT_EQ(console.Out(), "");
}

TEST(DxfTest, JobDrawingHoldsEveryPartParkedOrNot) {
  FileConsole console;
  auto job = testing_support::JobFromText(
      testing_support::SheetHeader(6000, 2000) +
          testing_support::PartBlockText("plate A", 2, Rect(0, 0, 200, 100),
                                         {{{50, 25}, {50, 75}, {150, 75}, {150, 25}}}) +
          testing_support::PartBlockText("tri", 1, {{0, 0}, {10, 0}, {0, 10}}),
      1, 10);
  TempDir dir;
  const std::string path = dir.File("Layout.dxf");
  job->WriteDxf(path);
  const std::vector<std::string> lines = SplitLines(ReadBytes(path));
  // 5 + 16 x (4 + e + k) + 3 with e = 8 + 8 + 3 edges and k = 3 parts.
  EXPECT_EQ(lines.size(), 5u + 16u * (4u + 19u + 3u) + 3u);
  // The first part is drawn at its parked position beyond the sheet.
  EXPECT_EQ(lines[5 + 4 * 16 + 4], "6000");
  EXPECT_EQ(lines[5 + 4 * 16 + 6], "-100");
}

TEST(DxfTest, DrawingThatCannotBeOpenedStops) {
  TempDir dir;
  PackJob job;
  EXPECT_TRUE(testing_support::IsStop(
      testing_support::StopOf([&] { job.WriteDxf(dir.Path().string()); }), StopNotice::kWarningBox,
      texts::kDxfWarning));
}

}  // namespace
}  // namespace nest
