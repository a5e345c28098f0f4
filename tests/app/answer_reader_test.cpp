#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/AnswerReader.hpp"

namespace nest {
namespace {

// The five answers as the run flow reads them, up to the first one refused,
// and the word after them.
struct Answers {
  int read = 0;  // answers accepted
  std::string file;
  int rn = 0;
  double ppd = 0.0;
  int method = 0;
  int iterations = 0;
  std::string rest;
  bool operator==(const Answers&) const = default;
};

Answers ReadAll(AnswerReader& reader) {
  Answers a;
  if (!reader.ReadWord(a.file)) return a;
  ++a.read;
  if (!reader.ReadInt(a.rn)) return a;
  ++a.read;
  if (!reader.ReadReal(a.ppd)) return a;
  ++a.read;
  if (!reader.ReadInt(a.method)) return a;
  ++a.read;
  if (!reader.ReadInt(a.iterations)) return a;
  ++a.read;
  reader.ReadWord(a.rest);
  return a;
}

// The input split into lines as a console hands them over.
std::vector<std::string> Lines(const std::string& input) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    end = end == std::string::npos ? input.size() : end + 1;
    lines.push_back(input.substr(start, end - start));
    start = end;
  }
  return lines;
}

AnswerReader::LineSource LinesOf(std::vector<std::string> lines) {
  return [lines = std::move(lines), next = std::size_t{0}](std::string& line) mutable {
    if (next >= lines.size()) return false;
    line = lines[next++];
    return true;
  };
}

Answers ReadFromStream(const std::string& input) {
  std::string buffer = input;
  std::FILE* in =
      input.empty() ? std::fopen("/dev/null", "r") : fmemopen(buffer.data(), buffer.size(), "r");
  AnswerReader reader(in);
  const Answers a = ReadAll(reader);
  std::fclose(in);
  return a;
}

// Answers typed on a console that hands over lines are read as the same
// answers typed as bytes: items share lines, end where formatted input ends
// them, and a refused one stops at the same place.
TEST(AnswerReaderTest, LinesGiveTheAnswersTheBytesGive) {
  const std::vector<std::string> inputs = {
      "plates.txt\n4\n5\n0\n3\n",
      "plates.txt 4 5 0 3\n",
      "  a.txt\n\n  -4\n+2.5e1\n1\n 2",
      "f\t4\r\n5\r\n0 3 more words\n",
      "f 4 .5x 0 3\n",
      "f 4 1e 0 3\n",
      "f 4 1e5\n0x 3\n",
      "f 4 inf 1 2\n",
      "f 4 0x1p3 1 2\n",
      "f 2147483648 1 0 1\n",
      "f -2147483648 1 0 1\n",
      "f 4 5 0 3",
      "f\n4\n",
      "\xc1\xe3\xbc\xfe.txt 4 5 0 3\n",  // 零件.txt in GBK
      "\n\n   \n",
      "",
  };
  for (const std::string& input : inputs) {
    AnswerReader lines(LinesOf(Lines(input)));
    const Answers fromLines = ReadAll(lines);
    EXPECT_EQ(fromLines, ReadFromStream(input)) << "input: " << input;
  }
  AnswerReader lines(LinesOf(Lines("plates.txt 4 2.5\n1 3\n")));
  const Answers a = ReadAll(lines);
  EXPECT_EQ(a.read, 5);
  EXPECT_EQ(a.file, "plates.txt");
  EXPECT_EQ(a.ppd, 2.5);
  EXPECT_EQ(a.iterations, 3);
}

// A line without its line end (the input ended while it was typed) is the
// last: nothing is read after it.
TEST(AnswerReaderTest, ALineWithoutItsEndIsTheLast) {
  AnswerReader reader(LinesOf({"f 4\n", "5", "0 3\n"}));
  const Answers a = ReadAll(reader);
  EXPECT_EQ(a.read, 3);
  EXPECT_EQ(a.ppd, 5.0);
}

}  // namespace
}  // namespace nest
