#include "app/AnswerReader.hpp"

#include <cctype>
#include <climits>
#include <utility>

#include "app/Console.hpp"

namespace nest {

AnswerReader::AnswerReader(std::FILE* in) : in_(in) {}

AnswerReader::AnswerReader(LineSource nextLine) : nextLine_(std::move(nextLine)) {}

int AnswerReader::Get() {
  if (in_ != nullptr) return std::fgetc(in_);
  while (pos_ >= line_.size()) {
    if (ended_) return EOF;
    pos_ = 0;
    if (!nextLine_(line_)) line_.clear();
    ended_ = line_.empty() || line_.back() != '\n';
  }
  return static_cast<unsigned char>(line_[pos_++]);
}

// Puts back the byte that the last Get gave.
void AnswerReader::Unget(int c) {
  if (in_ != nullptr) {
    std::ungetc(c, in_);
  } else {
    --pos_;
  }
}

void AnswerReader::SkipSpace() {
  int c = 0;
  while ((c = Get()) != EOF && std::isspace(c)) {
  }
  if (c != EOF) Unget(c);
}

bool AnswerReader::ReadWord(std::string& word) {
  SkipSpace();
  word.clear();
  int c = 0;
  while ((c = Get()) != EOF && !std::isspace(c)) word.push_back(static_cast<char>(c));
  if (c != EOF) Unget(c);
  return !word.empty();
}

bool AnswerReader::ReadInt(int& value) {
  SkipSpace();
  int c = Get();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = Get();
  }
  long long v = 0;
  bool digits = false;
  bool overflow = false;
  while (c != EOF && std::isdigit(c)) {
    digits = true;
    if (!overflow) {
      v = v * 10 + (c - '0');
      if (v > static_cast<long long>(INT_MAX) + 1) overflow = true;
    }
    c = Get();
  }
  if (c != EOF) Unget(c);
  if (!digits || overflow) return false;
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

bool AnswerReader::ReadReal(double& value) {
  if (in_ != nullptr) return std::fscanf(in_, "%lf", &value) == 1;
  // A number holds no white space, so once the space before it is skipped
  // it lies within the current line.
  SkipSpace();
  if (pos_ >= line_.size()) return false;
  int used = 0;
  if (std::sscanf(line_.c_str() + pos_, "%lf%n", &value, &used) != 1) return false;
  pos_ += static_cast<std::size_t>(used);
  return true;
}

AnswerReader ConsoleAnswers() {
  std::FILE* in = ActiveConsole().in;
  if (!platform::ReadsConsoleLines(in)) return AnswerReader(in);
  return AnswerReader([in](std::string& line) { return platform::ReadConsoleLine(in, line); });
}

}  // namespace nest
