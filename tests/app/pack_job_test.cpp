#include <gtest/gtest.h>

#include <utility>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "app/TestSupport.hpp"
#include "app/Texts.hpp"
#include "placement/Evaluation.hpp"
#include "search/IDSequence.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::IsStop;
using testing_support::StopOf;
using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::Rect;
using testing_support::SheetHeader;

std::vector<int> Ids(const PartList& list) {
  std::vector<int> ids;
  for (const Part& p : list) ids.push_back(p.ID);
  return ids;
}

std::vector<std::string> Names(const PartList& list) {
  std::vector<std::string> names;
  for (const Part& p : list) names.push_back(p.Name);
  return names;
}

// First x of every hole, in list order: tells the hole order apart.
std::vector<double> HoleXs(const Part& p) {
  std::vector<double> xs;
  for (const Loop& h : p.InnerLoops.Loops()) xs.push_back(h.Box().minX);
  return xs;
}

TEST(PackJobTest, ConstructionDefaults) {
  PackJob job;
  EXPECT_EQ(job.SheetLength, 6000.0);
  EXPECT_EQ(job.SheetWidth, 4000.0);
  EXPECT_EQ(job.SheetBox, (BoundingBox{0, 6000, 0, 4000}));
  EXPECT_EQ(job.PartCount, 0);
  EXPECT_EQ(job.TypeCount, 1);
  EXPECT_EQ(job.TypeSlots.size(), 1u);
  EXPECT_EQ(job.Parts.Count(), 0);
  EXPECT_EQ(job.InitialParts.Count(), 0);
  EXPECT_TRUE(job.PartTypes.empty());
}

TEST(PackJobTest, SetupNumbersTheCopiesOfATypeAndRestoresThem) {
  FileConsole console;
  const std::string text = "Sheet length:6000\nSheet width:2000\nSheet thick.: 0\n" +
                           PartBlockText("plate A", 3, Rect(0, 0, 200, 100),
                                         {{{50, 25}, {50, 75}, {150, 75}, {150, 25}}});
  auto job = JobFromText(text, 4, 7.5);
  EXPECT_EQ(job->RN, 4);
  EXPECT_EQ(job->PPD, 7.5);
  EXPECT_EQ(job->SheetLength, 6000.0);
  EXPECT_EQ(job->SheetWidth, 2000.0);
  EXPECT_EQ(job->SheetBox, (BoundingBox{0, 6000, 0, 2000}));
  EXPECT_EQ(job->PartCount, 3);
  EXPECT_EQ(job->TypeCount, 1);
  EXPECT_EQ(Ids(job->Parts), (std::vector<int>{0, 1, 2}));
  // Rebuilding by area puts each copy before the equal ones already there.
  EXPECT_EQ(Ids(job->InitialParts), (std::vector<int>{2, 1, 0}));
  job->RestoreParts();
  EXPECT_EQ(Ids(job->Parts), (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(job->TypeSlots.size(), 1u);
  EXPECT_EQ(job->TypeSlots[0].Name, "plate A");
  EXPECT_EQ(job->TypeSlots[0].LastPosition, (Vertex{0, 0}));
  ASSERT_EQ(job->PartTypes.size(), 1u);
  EXPECT_EQ(job->PartTypes[0].Name, "plate A");
  EXPECT_EQ(job->PartTypes[0].TypeIndex, 0);
  for (const Part& p : job->Parts) EXPECT_EQ(p.Area, 15000.0);
  EXPECT_EQ(console.Out(), "");
}

TEST(PackJobTest, EqualAreasPutTheLaterBlockFirst) {
  // Areas 5, 9, 9 in file order, one copy each.
  FileConsole console;
  auto job = JobFromText(SheetHeader(1000, 1000) + PartBlockText("five", 1, Rect(0, 0, 5, 1)) +
                             PartBlockText("nineA", 1, Rect(0, 0, 3, 3)) +
                             PartBlockText("nineB", 1, Rect(0, 0, 9, 1)),
                         1, 10);
  EXPECT_EQ(Names(job->Parts), (std::vector<std::string>{"nineB", "nineA", "five"}));
  EXPECT_EQ(Ids(job->Parts), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(job->TypeCount, 3);
  EXPECT_EQ(job->PartTypes[2].Name, "nineB");
  EXPECT_EQ(job->PartTypes[2].TypeIndex, 2);
}

TEST(PackJobTest, CopiesOfABlockTakeConsecutiveIds) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(1000, 1000) + PartBlockText("four", 3, Rect(0, 0, 2, 2)) +
                             PartBlockText("seven", 2, Rect(0, 0, 7, 1)),
                         1, 10);
  EXPECT_EQ(job->PartCount, 5);
  EXPECT_EQ(job->TypeCount, 2);
  EXPECT_EQ(Names(job->Parts),
            (std::vector<std::string>{"seven", "seven", "four", "four", "four"}));
  EXPECT_EQ(Ids(job->Parts), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Names(job->InitialParts), Names(job->Parts));
  EXPECT_EQ(Ids(job->InitialParts), (std::vector<int>{1, 0, 4, 3, 2}));
  job->RestoreParts();
  EXPECT_EQ(Ids(job->Parts), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(PackJobTest, BlockWithoutCopiesStillTakesATypeEntryAndSlot) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(1000, 1000) + PartBlockText("a", 1, Rect(0, 0, 2, 2)) +
                             PartBlockText("none", 0, Rect(0, 0, 5, 5)) +
                             PartBlockText("negative", -2, Rect(0, 0, 6, 6)) +
                             PartBlockText("c", 2, Rect(0, 0, 1, 1)),
                         1, 10);
  EXPECT_EQ(job->PartCount, 3);
  EXPECT_EQ(Names(job->Parts), (std::vector<std::string>{"a", "c", "c"}));
  ASSERT_EQ(job->PartTypes.size(), 4u);
  EXPECT_EQ(job->PartTypes[1].Name, "none");
  EXPECT_EQ(job->PartTypes[1].TypeIndex, 1);
  EXPECT_EQ(job->PartTypes[3].TypeIndex, 3);
  EXPECT_EQ(job->TypeCount, 4);
  ASSERT_EQ(job->TypeSlots.size(), 4u);
  EXPECT_EQ(job->TypeSlots[1].Name, "none");
  EXPECT_EQ(job->TypeSlots[2].Name, "negative");
}

TEST(PackJobTest, HoleOrderInPartsInitialPartsAndRestoredParts) {
  FileConsole console;
  const std::vector<std::vector<Vertex>> holes{Rect(10, 10, 20, 20), Rect(30, 10, 40, 20),
                                               Rect(50, 10, 60, 20)};
  auto job = JobFromText(
      SheetHeader(1000, 1000) + PartBlockText("holes", 2, Rect(0, 0, 100, 50), holes), 1, 10);
  // Parked parts moved by the same amount keep the holes' relative order:
  // compare the order of the hole x positions.
  for (const Part& p : job->Parts) {
    const std::vector<double> xs = HoleXs(p);
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_GT(xs[0], xs[1]);
    EXPECT_GT(xs[1], xs[2]);
  }
  for (const Part& p : job->InitialParts) {
    const std::vector<double> xs = HoleXs(p);
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_LT(xs[0], xs[1]);
    EXPECT_LT(xs[1], xs[2]);
  }
  job->RestoreParts();
  for (const Part& p : job->Parts) {
    const std::vector<double> xs = HoleXs(p);
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_GT(xs[0], xs[1]);
    EXPECT_GT(xs[1], xs[2]);
  }
}

TEST(PackJobTest, ParkedPartsLieBeyondTheSheetEnd) {
  FileConsole console;
  auto job = JobFromText(
      SheetHeader(500, 300) + PartBlockText("a", 2, {{-7, 3}, {40, -9}, {55, 80}, {-2, 60}}) +
          PartBlockText("b", 1, Rect(100, 200, 150, 260), {Rect(110, 210, 120, 220)}),
      1, 10);
  ASSERT_EQ(job->PartCount, 3);
  for (const PartList* list : {&job->Parts, &job->InitialParts}) {
    for (const Part& p : *list) {
      EXPECT_NEAR(p.Box.minX, 500.0, 1e-9);
      EXPECT_NEAR(p.Box.maxY, 0.0, 1e-9);
      EXPECT_EQ(p.Box, p.OutLoop.Box());
      // The box meets the sheet at most in the corner (SheetLength, 0).
      EXPECT_GE(p.Box.minX, job->SheetBox.maxX - 1e-9);
      EXPECT_LE(p.Box.maxY, job->SheetBox.minY + 1e-9);
    }
  }
  // The label moved with the part.
  const Part& b = job->Parts[2];
  ASSERT_EQ(b.Name, "b");
  EXPECT_NEAR(b.Label.X, 400.0 + 363500.0 / 2900.0, 1e-9);
  EXPECT_NEAR(b.Label.Y, 668500.0 / 2900.0 - 260.0, 1e-9);
  EXPECT_NEAR(b.Centroid.x, b.Label.X, 1e-9);
}

struct Snapshot {
  int id;
  std::string name;
  std::vector<std::vector<Vertex>> loops;
  BoundingBox box;
  double labelX, labelY, angle;
};

std::vector<Snapshot> Take(const PartList& list) {
  std::vector<Snapshot> out;
  for (const Part& p : list) {
    Snapshot s{p.ID, p.Name, {p.OutLoop.Vertices()}, p.Box, p.Label.X, p.Label.Y, p.Label.Angle};
    for (const Loop& h : p.InnerLoops.Loops()) s.loops.push_back(h.Vertices());
    out.push_back(s);
  }
  return out;
}

void ExpectSame(const std::vector<Snapshot>& a, const std::vector<Snapshot>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].id, b[i].id) << i;
    EXPECT_EQ(a[i].name, b[i].name) << i;
    EXPECT_EQ(a[i].loops, b[i].loops) << i;
    EXPECT_EQ(a[i].box, b[i].box) << i;
    EXPECT_EQ(a[i].labelX, b[i].labelX) << i;
    EXPECT_EQ(a[i].labelY, b[i].labelY) << i;
    EXPECT_EQ(a[i].angle, b[i].angle) << i;
  }
}

TEST(PackJobTest, RestoreAfterALayoutGivesBackTheParkedParts) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(300, 100) +
                             PartBlockText("frame", 1, Rect(0, 0, 60, 60),
                                           {Rect(10, 10, 50, 50), Rect(52, 52, 55, 55)}) +
                             PartBlockText("tri", 2, {{0, 0}, {30, 0}, {0, 20}}) +
                             PartBlockText("sq", 2, Rect(0, 0, 15, 15)),
                         4, 5);
  const std::vector<Snapshot> parked = Take(job->Parts);
  IDSequence seq = InitialSequence(job->PartCount);
  seq.ids = {4, 2, 0, 1, 3};
  const double e = EvaluateSequence(*job, seq);
  ASSERT_GT(e, 0.0);
  // The layout really moved parts onto the sheet.
  int onSheet = 0;
  for (const Part& p : job->Parts) onSheet += p.Box.maxX <= job->SheetLength + 1e-5 ? 1 : 0;
  ASSERT_EQ(onSheet, 5);
  job->RestoreParts();
  ExpectSame(Take(job->Parts), parked);
  EXPECT_EQ(job->Parts.Count(), 5);
}

TEST(PackJobTest, DuplicateNamesMapToTheFirstBlock) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(1000, 1000) + PartBlockText("same", 1, Rect(0, 0, 2, 2)) +
                             PartBlockText("other", 1, Rect(0, 0, 3, 3)) +
                             PartBlockText("same", 1, Rect(0, 0, 4, 4)),
                         1, 10);
  ASSERT_EQ(job->PartTypes.size(), 3u);
  EXPECT_EQ(job->PartTypes[2].TypeIndex, 2);
  EXPECT_EQ(job->TypeCount, 3);
  EXPECT_EQ(job->SlotIndexOf("same"), 0);
  EXPECT_EQ(job->TypeIndexOf("same"), 0);
  EXPECT_EQ(job->SlotIndexOf("other"), 1);
  // ID 0 is the 4 x 4 part of the third block: it maps to the first block.
  ASSERT_EQ(job->Parts[0].Area, 16.0);
  EXPECT_EQ(job->SlotOfId.at(0), 0);
  EXPECT_EQ(job->TypeOfId.at(0), 0);
  EXPECT_EQ(job->TypeOfId.at(1), 1);
  EXPECT_EQ(job->TypeOfId.at(2), 0);
}

TEST(PackJobTest, FileWithoutPartBlocks) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(100, 50) + "nothing here\n", 1, 10);
  EXPECT_EQ(job->PartCount, 0);
  EXPECT_EQ(job->TypeCount, 0);
  EXPECT_TRUE(job->TypeSlots.empty());
  EXPECT_EQ(job->Parts.Count(), 0);
  EXPECT_EQ(job->InitialParts.Count(), 0);
  EXPECT_TRUE(job->PartTypes.empty());
  EXPECT_EQ(job->SheetBox, (BoundingBox{0, 100, 0, 50}));
}

std::string Box(const char* text) { return std::string("Warning!\n") + text + "\n"; }

TEST(PackJobWarningTest, BadSheetShowsTheSheetBoxTwiceAndStops) {
  for (const std::string& header :
       {SheetHeader(-100, 50), SheetHeader(-100, -50), SheetHeader(100, 1e300),
        SheetHeader("1e999", "50"), SheetHeader(2e9, 50)}) {
    FileConsole console;
    EXPECT_TRUE(IsStop(
        StopOf([&] { JobFromText(header + PartBlockText("a", 1, Rect(0, 0, 5, 5)), 1, 10); }),
        StopNotice::kSilent))
        << header;
    EXPECT_EQ(console.Out(), Box(texts::kSheetDataWarning) + Box(texts::kSheetDataWarning));
  }
  FileConsole console;
  JobFromText(SheetHeader(1e9, 50) + PartBlockText("a", 1, Rect(0, 0, 5, 5)), 1, 10);
  EXPECT_EQ(console.Out(), "");
}

TEST(PackJobWarningTest, ZeroWidthStops) {
  FileConsole console;
  EXPECT_TRUE(IsStop(StopOf([] {
                       JobFromText(SheetHeader(100, 0) + PartBlockText("a", 1, Rect(0, 0, 5, 5)), 1, 10);
                     }),
                     StopNotice::kWarningBox, texts::kZeroSheetWarning));
  EXPECT_TRUE(IsStop(StopOf([] { JobFromText("SheetLength: \nSheetWidth: 50\nSheetThicknes\n", 1, 10); }),
                     StopNotice::kWarningBox, texts::kZeroSheetWarning));
  EXPECT_EQ(console.Out(), "");
}

TEST(PackJobWarningTest, MissingFileStops) {
  testing_support::TempDir dir;
  EXPECT_TRUE(IsStop(StopOf([&] {
                       PackJob job;
                       job.Setup(dir.File("no such file.txt"), 1, 10);
                     }),
                     StopNotice::kWarningBox, texts::kPartFileWarning));
}

TEST(PackJobWarningTest, BadFilesStopWithTheReadWarning) {
  const std::string loop = "OutLoop\n0,0\n1,0\n1,1\nEndOutLoop\n";
  for (const std::string& text :
       {std::string("SheetLength: 100\n"), SheetHeader(100, 50) + "Part\nName\nx\n" + loop}) {
    EXPECT_TRUE(IsStop(StopOf([&] { JobFromText(text, 1, 10); }), StopNotice::kWarningBox,
                       texts::kPartFileWarning))
        << text;
  }
  // A limit's message names the limit.
  EXPECT_TRUE(IsStop(StopOf([&] {
                       JobFromText(SheetHeader(100, 50) + "Part\nPartNumOfSameType\n100001\n" +
                                       loop + "EndPart\n",
                                   1, 10);
                     }),
                     StopNotice::kWarningBox, std::string(texts::kPartCountLimit) + "100000!"));
}

TEST(PackJobWarningTest, EmptyLoopBlockOrMissingOutLoopNamesThePart) {
  const std::string prefix = std::string(texts::kPartPrefix) + "\"";
  for (const auto& [block, message] : std::vector<std::pair<std::string, std::string>>{
           {"Part\nOutLoop\nEndOutLoop\nEndPart\n", "NoName\": " + std::string(texts::kEmptyLoopReason)},
           {"Part\nName\nx\nEndPart\n", "x\": " + std::string(texts::kNoOutLoopReason)},
           {"Part\nName\ny\tz\nOutLoop\n0,0\n1,1\nEndOutLoop\nInnerLoop\nEndInnerLoop\nEndPart\n",
            "y?z\": " + std::string(texts::kEmptyLoopReason)}}) {
    EXPECT_TRUE(IsStop(StopOf([&] { JobFromText(SheetHeader(100, 50) + block, 1, 10); }),
                       StopNotice::kWarningBox, prefix + message))
        << block;
  }
}

TEST(PackJobWarningTest, SheetWarningsComeBeforeAnEmptyLoopStop) {
  FileConsole console;
  EXPECT_TRUE(IsStop(StopOf([] {
                       JobFromText(SheetHeader(-100, 50) + "Part\nOutLoop\nEndOutLoop\nEndPart\n", 1, 10);
                     }),
                     StopNotice::kSilent));
  EXPECT_EQ(console.Out(), Box(texts::kSheetDataWarning) + Box(texts::kSheetDataWarning));
}

}  // namespace
}  // namespace nest
