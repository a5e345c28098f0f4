#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/TestSupport.hpp"
#include "parts/PartFile.hpp"

namespace nest {
namespace {

using Failure = PartFileData::Failure;
using testing_support::SheetHeader;

// Three copies of a 200 x 100 plate with one hole, after header labels of
// exactly 13, 12 and 14 characters.
const std::string kFramedPlates =
    "Sheet length:6000\n"
    "Sheet width:2000\n"
    "Sheet thick.: 0\n"
    "Part\n"
    "Name\n"
    "plate A\n"
    "PartNumOfSameType\n"
    "3\n"
    "OutLoop\n"
    "0,0\n"
    "200,0\n"
    "200,100\n"
    "0,100\n"
    "EndOutLoop\n"
    "InnerLoop\n"
    "50,25\n"
    "50,75\n"
    "150,75\n"
    "150,25\n"
    "EndInnerLoop\n"
    "EndPart\n";

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A file of one block whose outer loop is given as raw lines.
PartFileData OneLoop(const std::string& vertexLines) {
  return ParsePartFile(SheetHeader(100, 100) + "Part\nName\nq\nOutLoop\n" + vertexLines +
                       "EndOutLoop\nEndPart\n");
}

std::vector<Vertex> OuterOf(const PartFileData& d) {
  if (d.blocks.empty()) return {};
  return d.blocks[0].part.OutLoop.Vertices();
}

void ExpectFramedPlates(const PartFileData& d) {
  EXPECT_EQ(d.failure, Failure::kNone);
  EXPECT_TRUE(d.headerRead);
  EXPECT_EQ(d.SheetLength, 6000.0);
  EXPECT_EQ(d.SheetWidth, 2000.0);
  ASSERT_EQ(d.blocks.size(), 1u);
  const PartBlock& b = d.blocks[0];
  EXPECT_EQ(b.count, 3);
  EXPECT_EQ(b.part.Name, "plate A");
  EXPECT_EQ(b.part.Area, 15000.0);
  EXPECT_EQ(b.part.OutLoop.Vertices(),
            (std::vector<Vertex>{{0, 0}, {200, 0}, {200, 100}, {0, 100}}));
  ASSERT_EQ(b.part.InnerLoops.Count(), 1);
  EXPECT_EQ(b.part.InnerLoops.Loops()[0].Vertices(),
            (std::vector<Vertex>{{50, 25}, {50, 75}, {150, 75}, {150, 25}}));
}

TEST(PartFileTest, ReadsExactLengthLabelsAndABlockWithAHole) { ExpectFramedPlates(ParsePartFile(kFramedPlates)); }

TEST(PartFileTest, CrLfLineEndsReadLikeLf) {
  ExpectFramedPlates(ParsePartFile(WithCrLf(kFramedPlates)));
}

TEST(PartFileTest, LoadPartFileReadsTheFile) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("p.txt"), kFramedPlates);
  ExpectFramedPlates(LoadPartFile(dir.File("p.txt")));
}

TEST(PartFileTest, MissingFileOrDirectoryCannotBeOpened) {
  testing_support::TempDir dir;
  EXPECT_EQ(LoadPartFile(dir.File("missing.txt")).failure, Failure::kCannotOpen);
  EXPECT_EQ(LoadPartFile(dir.Path().string()).failure, Failure::kCannotOpen);
}

TEST(PartFileLinesTest, CarriageReturnBeforeALineFeedIsDroppedAndALoneOneEndsALine) {
  EXPECT_EQ(SplitPartFileLines("a\r\nb\rc\n\r"), (std::vector<std::string>{"a\n", "b\n", "c\n", "\n"}));
}

TEST(PartFileLinesTest, LongLinesAreCutIntoPiecesOf99Bytes) {
  EXPECT_EQ(SplitPartFileLines(std::string(98, 'a') + "\n"),
            (std::vector<std::string>{std::string(98, 'a') + "\n"}));
  EXPECT_EQ(SplitPartFileLines(std::string(99, 'a') + "\n"),
            (std::vector<std::string>{std::string(99, 'a'), "\n"}));
  const std::string line =
      std::string(99, 'a') + std::string(99, 'b') + std::string(52, 'c') + "\n";
  EXPECT_EQ(SplitPartFileLines(line + "d"),
            (std::vector<std::string>{std::string(99, 'a'), std::string(99, 'b'),
                                      std::string(52, 'c') + "\n", "d"}));
  // A CR LF line end counts as one byte.
  EXPECT_EQ(SplitPartFileLines(std::string(98, 'a') + "\r\n"),
            (std::vector<std::string>{std::string(98, 'a') + "\n"}));
  EXPECT_TRUE(SplitPartFileLines("").empty());
}

TEST(PartFileTest, LongNameKeeps98BytesAndTheRestIsAFurtherLine) {
  const std::string name(120, 'N');
  const PartFileData d = ParsePartFile(SheetHeader(100, 100) + "Part\nName\n" + name +
                                       "\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.blocks[0].part.Name, std::string(98, 'N'));
  EXPECT_EQ(d.blocks[0].part.Label.Text, std::string(98, 'N'));
}

TEST(PartFileTest, TheRestOfALongNameLineIsReadAsALineOfTheBlock) {
  // 99 bytes of name line are the name (less one byte); the piece after them
  // is the keyword EndPart and ends the block.
  const std::string name(99, 'N');
  const PartFileData d =
      ParsePartFile(SheetHeader(100, 100) + "Part\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nName\n" +
                    name + "EndPart\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.blocks[0].part.Name, std::string(98, 'N'));
}

TEST(PartFileTest, KeywordsMustMatchTheWholeLineExactly) {
  const std::string block = "Name\nx\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart\n";
  for (const char* opener : {"part\n", "Part \n", " Part\n", "PART\n", "Part\t\n", "Parts\n"}) {
    const PartFileData d = ParsePartFile(SheetHeader(100, 100) + opener + block);
    EXPECT_EQ(d.failure, Failure::kNone) << opener;
    EXPECT_TRUE(d.blocks.empty()) << opener;
  }
  // Inside a block, near-keywords are ignored lines.
  const PartFileData d = ParsePartFile(SheetHeader(100, 100) +
                                       "Part\nName \nfoo\nname\nbar\nOutLoop\n0,0\n2,0\n2,2\n"
                                       "EndOutLoop \nEndOutLoop\nEndPart\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.blocks[0].part.Name, "NoName");
  // "EndOutLoop " does not end the loop: it is a vertex line without numbers.
  EXPECT_EQ(d.blocks[0].part.OutLoop.Vertices(),
            (std::vector<Vertex>{{0, 0}, {2, 0}, {2, 2}, {0, 0}}));
}

TEST(PartFileTest, LastEndPartWithoutLineEndCounts) {
  const std::string text =
      SheetHeader(100, 100) + "Part\nName\nlast\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart";
  const PartFileData d = ParsePartFile(text);
  EXPECT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.blocks[0].part.Name, "last");
  const PartFileData trailing = ParsePartFile(text + "\n\n\n");
  EXPECT_EQ(trailing.failure, Failure::kNone);
  EXPECT_EQ(trailing.blocks.size(), 1u);
}

TEST(PartFileTest, BlankAndCommentLinesBetweenBlocksAreSkipped) {
  const std::string block = "Part\nName\nb\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart\n";
  const PartFileData d = ParsePartFile(SheetHeader(100, 100) + "\n# first\n" + block +
                                       "\n\n; comment\nEnd\n" + block + "End of file\n");
  EXPECT_EQ(d.failure, Failure::kNone);
  EXPECT_EQ(d.blocks.size(), 2u);
}

TEST(PartFileTest, NameOfBlanksAndEmptyName) {
  const auto nameOf = [](const std::string& nameLine) {
    const PartFileData d = ParsePartFile(SheetHeader(100, 100) + "Part\nName\n" + nameLine +
                                         "OutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart\n");
    EXPECT_EQ(d.failure, Failure::kNone);
    return d.blocks.empty() ? std::string("?") : d.blocks[0].part.Name;
  };
  EXPECT_EQ(nameOf("   \n"), "   ");
  EXPECT_EQ(nameOf("\n"), "");
  EXPECT_EQ(nameOf(" plate B \n"), " plate B ");
  EXPECT_EQ(nameOf("\xb0\xe5\xa3\xc1\n"), "\xb0\xe5\xa3\xc1");  // GBK bytes pass through
}

TEST(PartFileTest, LaterNameAndCountReplaceEarlierOnesAndMissingOnesDefault) {
  const std::string loop = "OutLoop\n0,0\n1,0\n1,1\nEndOutLoop\n";
  const PartFileData d =
      ParsePartFile(SheetHeader(100, 100) + "Part\n" + loop + "EndPart\n" +  // no name, no count
                    "Part\nName\na\nName\nb\nPartNumOfSameType\n4\nPartNumOfSameType\n5\n" + loop +
                    "EndPart\n" + "Part\nName\nc\n" + loop + "EndPart\n");  // count carried over
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 3u);
  EXPECT_EQ(d.blocks[0].part.Name, "NoName");
  EXPECT_EQ(d.blocks[0].count, 1);
  EXPECT_EQ(d.blocks[1].part.Name, "b");
  EXPECT_EQ(d.blocks[1].count, 5);
  EXPECT_EQ(d.blocks[2].part.Name, "c");
  EXPECT_EQ(d.blocks[2].count, 5);
}

TEST(PartFileTest, SecondOutLoopReplacesTheFirstAndHolesKeepFileOrder) {
  const PartFileData d = ParsePartFile(
      SheetHeader(100, 100) +
      "Part\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nOutLoop\n0,0\n50,0\n50,50\n0,50\nEndOutLoop\n"
      "InnerLoop\n1,1\n2,1\n2,2\nEndInnerLoop\nInnerLoop\n3,3\n4,3\n4,4\nEndInnerLoop\n"
      "InnerLoop\n5,5\n6,5\n6,6\nEndInnerLoop\nEndPart\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  const Part& p = d.blocks.at(0).part;
  EXPECT_EQ(p.OutLoop.Count(), 4);
  EXPECT_EQ(p.OutLoop.Box(), (BoundingBox{0, 50, 0, 50}));
  ASSERT_EQ(p.InnerLoops.Count(), 3);
  EXPECT_EQ(p.InnerLoops.Loops()[0].Vertices()[0], (Vertex{1, 1}));
  EXPECT_EQ(p.InnerLoops.Loops()[1].Vertices()[0], (Vertex{3, 3}));
  EXPECT_EQ(p.InnerLoops.Loops()[2].Vertices()[0], (Vertex{5, 5}));
}

struct VertexCase {
  const char* line;
  Vertex expected;
};

void PrintTo(const VertexCase& c, std::ostream* os) { *os << "line '" << c.line << "'"; }

class VertexLineTest : public ::testing::TestWithParam<VertexCase> {};

TEST_P(VertexLineTest, ConvertsXThenSkipsOneSeparator) {
  const PartFileData d = OneLoop(std::string(GetParam().line) + "\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(OuterOf(d).size(), 1u);
  EXPECT_EQ(OuterOf(d)[0], GetParam().expected) << '"' << GetParam().line << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Separators, VertexLineTest,
    ::testing::Values(VertexCase{"10 20", {10, 20}}, VertexCase{"10,20", {10, 20}},
                      VertexCase{"10\t20", {10, 20}}, VertexCase{"10;20", {10, 20}},
                      VertexCase{"10 ,20", {10, 0}}, VertexCase{"10,  20  trailing", {10, 20}},
                      VertexCase{"  7 8", {7, 8}}, VertexCase{"", {0, 0}},
                      VertexCase{"   ", {0, 0}}, VertexCase{"a5,7", {0, 5}},
                      VertexCase{"x 7", {0, 7}}, VertexCase{"-1.5,-2.5", {-1.5, -2.5}},
                      VertexCase{"1e3,.5", {1000, 0.5}}, VertexCase{"1E2 -.25", {100, -0.25}},
                      VertexCase{"inf,2", {0, 0}}, VertexCase{"nan 3", {0, 0}},
                      VertexCase{"0x10,5", {0, 10}}, VertexCase{"12", {12, 0}}));

TEST(PartFileTest, BlankLineInsideALoopAddsTheOrigin) {
  const PartFileData d = OneLoop("5,5\n\n10,0\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  EXPECT_EQ(OuterOf(d), (std::vector<Vertex>{{5, 5}, {0, 0}, {10, 0}}));
}

struct DecimalCase {
  const char* text;
  double value;
  int consumed;  // bytes up to the end of the number; 0 when there is none
};

void PrintTo(const DecimalCase& c, std::ostream* os) { *os << "text '" << c.text << "'"; }

class ParseDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimalTest, TakesTheLongestDecimalPrefix) {
  const DecimalCase& c = GetParam();
  const char* end = nullptr;
  const double v = ParseDecimal(c.text, &end);
  EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  EXPECT_EQ(end - c.text, c.consumed) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ParseDecimalTest,
    ::testing::Values(
        DecimalCase{"6000", 6000, 4}, DecimalCase{"  42abc", 42, 4}, DecimalCase{"\t3", 3, 2},
        DecimalCase{"1e3", 1000, 3}, DecimalCase{"1E2", 100, 3}, DecimalCase{".5", 0.5, 2},
        DecimalCase{"-.5", -0.5, 3}, DecimalCase{"+7", 7, 2}, DecimalCase{"5.", 5, 2},
        DecimalCase{"1.5e-2x", 0.015, 6}, DecimalCase{"1e", 1, 1}, DecimalCase{"1e+", 1, 1},
        DecimalCase{"2.5E+1,", 25, 6}, DecimalCase{"0x10", 0, 1}, DecimalCase{"0X1p3", 0, 1},
        DecimalCase{"inf", 0, 0}, DecimalCase{"-inf", 0, 0}, DecimalCase{"INFINITY", 0, 0},
        DecimalCase{"nan", 0, 0}, DecimalCase{"NAN(123)", 0, 0}, DecimalCase{"-", 0, 0},
        DecimalCase{".", 0, 0}, DecimalCase{"+.e1", 0, 0}, DecimalCase{"", 0, 0},
        DecimalCase{"   ", 0, 0}, DecimalCase{"1e400", HUGE_VAL, 5}));

TEST(ParseCountTest, DecimalIntegerPrefix) {
  EXPECT_EQ(ParseCount(" -2x"), -2);
  EXPECT_EQ(ParseCount("abc"), 0);
  EXPECT_EQ(ParseCount(""), 0);
  EXPECT_EQ(ParseCount("-"), 0);
  EXPECT_EQ(ParseCount("+5"), 5);
  EXPECT_EQ(ParseCount("  12 7"), 12);
  EXPECT_EQ(ParseCount("3.9"), 3);
  EXPECT_EQ(ParseCount("\t0\n"), 0);
  EXPECT_EQ(ParseCount("0x10"), 0);
  EXPECT_EQ(ParseCount("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseCount("-99999999999999999999"), INT_MIN);
}

TEST(PartFileTest, CountsAreConvertedFromTheirLine) {
  const auto countOf = [](const std::string& line) {
    const PartFileData d = ParsePartFile(SheetHeader(100, 100) + "Part\nPartNumOfSameType\n" +
                                         line + "\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart\n");
    EXPECT_EQ(d.failure, Failure::kNone);
    return d.blocks.empty() ? 12345 : d.blocks[0].count;
  };
  EXPECT_EQ(countOf(" -2x"), -2);
  EXPECT_EQ(countOf("abc"), 0);
  EXPECT_EQ(countOf("0"), 0);
  EXPECT_EQ(countOf("7 copies"), 7);
}

TEST(PartFileTest, HeaderNumbersStartAfterTheirLabels) {
  // Digits inside the labels are never read.
  const PartFileData d = ParsePartFile("1234567890123 6000.5mm\n123456789012-20\n12345678901234\n");
  EXPECT_EQ(d.failure, Failure::kNone);
  EXPECT_EQ(d.SheetLength, 6000.5);
  EXPECT_EQ(d.SheetWidth, -20.0);
  EXPECT_TRUE(d.blocks.empty());
}

struct FailureCase {
  const char* what;
  std::string text;
  Failure failure;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class PartFileFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PartFileFailureTest, GivesTheFailureCode) {
  EXPECT_EQ(ParsePartFile(GetParam().text).failure, GetParam().failure) << GetParam().what;
}

const std::string kHeader = SheetHeader(100, 100);
const std::string kLoop = "OutLoop\n0,0\n1,0\n1,1\nEndOutLoop\n";

INSTANTIATE_TEST_SUITE_P(
    Files, PartFileFailureTest,
    ::testing::Values(
        FailureCase{"empty file", "", Failure::kBadHeader},
        FailureCase{"one header line", "SheetLength: 100\n", Failure::kBadHeader},
        FailureCase{"two header lines", "SheetLength: 100\nSheetWidth: 100\n", Failure::kBadHeader},
        FailureCase{"short first line", "Length 100\nSheetWidth: 100\nSheetThicknes 0\n",
                    Failure::kBadHeader},
        FailureCase{"short third line", "SheetLength: 100\nSheetWidth: 100\nshort\n",
                    Failure::kBadHeader},
        FailureCase{"ends after Part", kHeader + "Part\n", Failure::kTruncated},
        FailureCase{"ends after Name", kHeader + "Part\nName\n", Failure::kTruncated},
        FailureCase{"ends after count keyword", kHeader + "Part\nPartNumOfSameType\n",
                    Failure::kTruncated},
        FailureCase{"ends inside OutLoop", kHeader + "Part\nOutLoop\n0,0\n1,0\n",
                    Failure::kTruncated},
        FailureCase{"ends inside InnerLoop", kHeader + "Part\n" + kLoop + "InnerLoop\n0,0\n",
                    Failure::kTruncated},
        FailureCase{"ends before EndPart", kHeader + "Part\n" + kLoop, Failure::kTruncated},
        FailureCase{"empty OutLoop", kHeader + "Part\nOutLoop\nEndOutLoop\nEndPart\n",
                    Failure::kEmptyLoop},
        FailureCase{"empty InnerLoop",
                    kHeader + "Part\n" + kLoop + "InnerLoop\nEndInnerLoop\nEndPart\n",
                    Failure::kEmptyLoop},
        FailureCase{"no OutLoop", kHeader + "Part\nName\nx\nEndPart\n", Failure::kNoOutLoop},
        FailureCase{"too many instances",
                    kHeader + "Part\nPartNumOfSameType\n100001\n" + kLoop + "EndPart\n",
                    Failure::kTooManyParts},
        FailureCase{"exactly the most instances",
                    kHeader + "Part\nPartNumOfSameType\n60000\n" + kLoop + "EndPart\n" +
                        "Part\nPartNumOfSameType\n40000\n" + kLoop + "EndPart\n",
                    Failure::kNone},
        FailureCase{"too many over two blocks",
                    kHeader + "Part\nPartNumOfSameType\n60000\n" + kLoop + "EndPart\n" +
                        "Part\nPartNumOfSameType\n40001\n" + kLoop + "EndPart\n",
                    Failure::kTooManyParts}));

TEST(PartFileTest, LinesAfterNameAndInsideLoopsAreNeverKeywords) {
  // The line after "Name" is the name even when it reads like a keyword, and
  // inside a loop only the loop's own end keyword ends it.
  const PartFileData d = ParsePartFile(SheetHeader(100, 100) +
                                       "Part\nName\nEndPart\nOutLoop\n1,1\nEndPart\nEndInnerLoop\n"
                                       "5,1\nEndOutLoop\nEndPart\n");
  ASSERT_EQ(d.failure, Failure::kNone);
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.blocks[0].part.Name, "EndPart");
  EXPECT_EQ(d.blocks[0].part.OutLoop.Vertices(),
            (std::vector<Vertex>{{1, 1}, {0, 0}, {0, 0}, {5, 1}}));
}

TEST(PartFileTest, CarriageReturnOnlyLineEndsReadAsLineEnds) {
  std::string text = SheetHeader(100, 100) + "Part\nName\na\nOutLoop\n0,0\n1,0\n1,1\nEndOutLoop\nEndPart";
  for (char& c : text) c = c == '\n' ? '\r' : c;
  const PartFileData d = ParsePartFile(text);
  ASSERT_EQ(d.failure, Failure::kNone);
  EXPECT_EQ(d.SheetLength, 100.0);
  EXPECT_EQ(d.blocks.at(0).part.Name, "a");
  EXPECT_EQ(d.blocks.at(0).part.OutLoop.Count(), 3);
}

TEST(PartFileTest, SheetSizeIsKnownWhenABlockFails) {
  const PartFileData d = ParsePartFile(SheetHeader(-5, 7) + "Part\nOutLoop\n");
  EXPECT_EQ(d.failure, Failure::kTruncated);
  EXPECT_TRUE(d.headerRead);
  EXPECT_EQ(d.SheetLength, -5.0);
  EXPECT_EQ(d.SheetWidth, 7.0);
}

}  // namespace
}  // namespace nest
