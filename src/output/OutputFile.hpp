#pragma once

#include <cstdio>
#include <string>

namespace nest {

// A result file written under a temporary name in the same folder and put in
// place under its own name only when it is complete: a failed or interrupted
// run never leaves a cut-short file under the result's name, and two runs in
// one folder never write into the same file. The temporary is a text-mode
// file, so line ends are the platform's.
class OutputFile {
 public:
  explicit OutputFile(std::string name);
  // Removes a temporary that was not committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False when `name` exists but cannot be written (a directory, a file
  // without write permission) or the temporary cannot be created.
  bool Open();
  [[nodiscard]] std::FILE* Stream() const { return file_; }
  [[nodiscard]] bool IsOpen() const { return file_ != nullptr; }
  // Flushes; false when this or any earlier write failed.
  bool Flush();
  // Flushes and closes the temporary and renames it over `name`. False, with
  // the temporary removed, when any write, the close or the rename failed.
  bool Commit();
  // Closes and removes the temporary.
  void Discard();

 private:
  std::string name_;
  std::string temp_;
  std::FILE* file_ = nullptr;
};

// The message of a result file that could not be written completely.
std::string WriteFailedText(const std::string& name);

}  // namespace nest
