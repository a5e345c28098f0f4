#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace nest {

// Reads the answers of the dialogue as white-space separated items: a word, a
// decimal integer or a real. An item ends where the C library's formatted
// input ends it, and what follows it is left for the next item, so several
// answers may share one line. The bytes come from an input stream, or from
// lines of text where the console hands over characters rather than bytes.
class AnswerReader {
 public:
  // Gives the next line, ending in '\n' (a line without it is the last);
  // false at the end of the input.
  using LineSource = std::function<bool(std::string&)>;

  // Reads the bytes of `in`.
  explicit AnswerReader(std::FILE* in);
  // Reads the lines that `nextLine` gives.
  explicit AnswerReader(LineSource nextLine);

  // A word of any length.
  bool ReadWord(std::string& word);
  // An optional sign and digits; values beyond the range of int are refused.
  bool ReadInt(int& value);
  // A floating-point number as "%lf" reads it.
  bool ReadReal(double& value);

 private:
  int Get();
  void Unget(int c);
  void SkipSpace();

  std::FILE* in_ = nullptr;
  LineSource nextLine_;
  std::string line_;
  std::size_t pos_ = 0;
  bool ended_ = false;
};

// The reader of the active console's input.
AnswerReader ConsoleAnswers();

}  // namespace nest
