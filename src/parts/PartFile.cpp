#include "parts/PartFile.hpp"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "parts/FileAccess.hpp"

namespace nest {

namespace {

constexpr std::size_t kMaxLineBytes = 99;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A keyword line is the keyword and its line end; a file's last line may
// lack the line end.
bool IsKeyword(const std::string& line, std::string_view keyword) {
  if (line.size() == keyword.size() + 1) {
    return line.back() == '\n' && std::string_view(line).substr(0, keyword.size()) == keyword;
  }
  return line == keyword;
}

class LineReader {
 public:
  explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  // False at the end of the file.
  bool Next(std::string& line) {
    if (pos_ >= lines_.size()) return false;
    line = lines_[pos_++];
    return true;
  }

 private:
  std::vector<std::string> lines_;
  std::size_t pos_ = 0;
};

using Failure = PartFileData::Failure;

Vertex ParseVertexLine(const std::string& line) {
  const char* start = line.c_str();
  const char* xEnd = nullptr;
  const double x = ParseDecimal(start, &xEnd);
  // The character after x's text separates the two numbers and is skipped
  // unexamined. Without a number for x, y is read from the second character.
  double y = 0.0;
  if (*xEnd != '\0') {
    const char* yEnd = nullptr;
    y = ParseDecimal(xEnd + 1, &yEnd);
  }
  return Vertex{x, y};
}

// Reads vertex lines up to and including `endKeyword`.
Failure ReadLoop(LineReader& in, std::string_view endKeyword, Loop& loop) {
  std::vector<Vertex> vertices;
  std::string line;
  while (true) {
    if (!in.Next(line)) return Failure::kTruncated;
    if (IsKeyword(line, endKeyword)) break;
    vertices.push_back(ParseVertexLine(line));
  }
  if (vertices.empty()) return Failure::kEmptyLoop;
  loop.SetVertices(vertices);
  return Failure::kNone;
}

// Reads the lines after a "Part" line up to and including "EndPart". `count`
// keeps its value from the block before when the block gives none; `name` is
// the block's name as far as it was read.
Failure ReadPartBlock(LineReader& in, Part& part, int& count, std::string& name) {
  Loop outer;
  LoopList holes;
  name = "NoName";
  std::string line;
  while (true) {
    if (!in.Next(line)) return Failure::kTruncated;
    if (IsKeyword(line, "Name")) {
      if (!in.Next(line)) return Failure::kTruncated;
      name = line.substr(0, line.size() - 1);
    } else if (IsKeyword(line, "PartNumOfSameType")) {
      if (!in.Next(line)) return Failure::kTruncated;
      count = ParseCount(line.c_str());
    } else if (IsKeyword(line, "OutLoop")) {
      const Failure f = ReadLoop(in, "EndOutLoop", outer);
      if (f != Failure::kNone) return f;
    } else if (IsKeyword(line, "InnerLoop")) {
      Loop hole;
      const Failure f = ReadLoop(in, "EndInnerLoop", hole);
      if (f != Failure::kNone) return f;
      holes.PushFront(hole);
    } else if (IsKeyword(line, "EndPart")) {
      if (outer.Count() == 0) return Failure::kNoOutLoop;
      part.Set(name, outer, holes);
      return Failure::kNone;
    }
  }
}

// Converts a header line's number from the character after its label.
bool ReadHeader(LineReader& in, std::size_t labelWidth, double& value) {
  std::string line;
  if (!in.Next(line) || line.size() < labelWidth) return false;
  const char* end = nullptr;
  value = ParseDecimal(line.c_str() + labelWidth, &end);
  return true;
}

}  // namespace

std::vector<std::string> SplitPartFileLines(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
      text.push_back('\n');
      continue;
    }
    text.push_back(bytes[i]);
  }
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t len = 0;
    while (len < kMaxLineBytes && pos + len < text.size()) {
      ++len;
      if (text[pos + len - 1] == '\n') break;
    }
    lines.push_back(text.substr(pos, len));
    pos += len;
  }
  return lines;
}

double ParseDecimal(const char* s, const char** end) {
  const char* p = s;
  while (IsSpace(*p)) ++p;
  const char* numStart = p;
  if (*p == '+' || *p == '-') ++p;
  const char* mantissa = p;
  while (IsDigit(*p)) ++p;
  bool digits = p > mantissa;
  if (*p == '.') {
    const char* frac = p + 1;
    const char* q = frac;
    while (IsDigit(*q)) ++q;
    if (digits || q > frac) {
      digits = true;
      p = q;
    }
  }
  if (!digits) {
    *end = s;
    return 0.0;
  }
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    const char* expDigits = q;
    while (IsDigit(*q)) ++q;
    if (q > expDigits) p = q;
  }
  *end = p;
  const std::string number(numStart, p);
  return std::strtod(number.c_str(), nullptr);
}

int ParseCount(const char* s) {
  const char* p = s;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  long long value = 0;
  while (IsDigit(*p)) {
    if (value <= INT_MAX) value = value * 10 + (*p - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

PartFileData ParsePartFile(std::string_view bytes) {
  PartFileData data;
  LineReader in(SplitPartFileLines(bytes));
  double ignored = 0.0;
  if (!ReadHeader(in, 13, data.SheetLength) || !ReadHeader(in, 12, data.SheetWidth) ||
      !ReadHeader(in, 14, ignored)) {
    data.failure = Failure::kBadHeader;
    return data;
  }
  data.headerRead = true;

  int count = 1;  // a first block without a copy count lays out one copy
  long long instances = 0;
  std::string line;
  while (in.Next(line)) {
    if (!IsKeyword(line, "Part")) continue;
    PartBlock block;
    const Failure f = ReadPartBlock(in, block.part, count, data.failedPart);
    if (f != Failure::kNone) {
      data.failure = f;
      return data;
    }
    block.count = count;
    if (count > 0) instances += count;
    if (instances > kMaxPartInstances) {
      data.failure = Failure::kTooManyParts;
      return data;
    }
    data.blocks.push_back(std::move(block));
  }
  return data;
}

PartFileData LoadPartFile(const std::string& path) {
  std::string bytes;
  std::FILE* file = files::Open(path, "rb");
  bool ok = file != nullptr;
  if (ok) {
    char buffer[65536];
    std::size_t n = 0;
    while (bytes.size() <= kMaxPartFileBytes &&
           (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
      bytes.append(buffer, n);
    }
    ok = std::ferror(file) == 0;  // a directory opens but cannot be read
    std::fclose(file);
  }
  if (!ok || bytes.size() > kMaxPartFileBytes) {
    PartFileData data;
    data.failure = ok ? Failure::kTooLarge : Failure::kCannotOpen;
    return data;
  }
  return ParsePartFile(bytes);
}

}  // namespace nest
