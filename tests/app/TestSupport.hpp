#pragma once

// Helpers shared by the unit tests: scratch directories, whole-file reads and
// writes, a console that talks to files instead of the terminal, and part
// data files built from shapes.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Console.hpp"
#include "app/PackJob.hpp"
#include "app/Stop.hpp"
#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"

namespace nest {

// Readable values in test names and failure messages.
inline void PrintTo(const Vertex& v, std::ostream* os) { *os << "(" << v.x << ", " << v.y << ")"; }
inline void PrintTo(const BoundingBox& b, std::ostream* os) {
  *os << "[" << b.minX << ", " << b.maxX << "] x [" << b.minY << ", " << b.maxY << "]";
}

}  // namespace nest

namespace nest::testing_support {

// A fresh directory under the system's temporary directory, removed with all
// its content when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nest_unit_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) std::abort();
    path_ = buffer.data();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  [[nodiscard]] std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Points the process-wide console at files of a scratch directory: an empty
// input (so every key wait meets the end of input at once) and output files
// that the test reads back. The previous console is put back at the end.
class FileConsole {
 public:
  FileConsole() : saved_(nest::ActiveConsole()) {
    WriteBytes(dir_.File("in.txt"), "");
    in_ = std::fopen(dir_.File("in.txt").c_str(), "rb");
    out_ = std::fopen(dir_.File("out.txt").c_str(), "wb");
    err_ = std::fopen(dir_.File("err.txt").c_str(), "wb");
    nest::Console& c = nest::ActiveConsole();
    c.in = in_;
    c.out = out_;
    c.err = err_;
  }
  ~FileConsole() {
    nest::ActiveConsole() = saved_;
    std::fclose(in_);
    std::fclose(out_);
    std::fclose(err_);
  }
  FileConsole(const FileConsole&) = delete;
  FileConsole& operator=(const FileConsole&) = delete;

  [[nodiscard]] std::string Out() {
    std::fflush(out_);
    return ReadBytes(dir_.File("out.txt"));
  }
  [[nodiscard]] std::string Err() {
    std::fflush(err_);
    return ReadBytes(dir_.File("err.txt"));
  }

 private:
  TempDir dir_;
  nest::Console saved_;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  std::FILE* err_ = nullptr;
};

// Makes a directory the working directory for the object's lifetime.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir)
      : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path saved_;
};

// The stop that `action` raises, or nothing when it returns normally.
template <class Action>
std::optional<nest::RunStop> StopOf(Action&& action) {
  try {
    action();
  } catch (const nest::RunStop& stop) {
    return stop;
  }
  return std::nullopt;
}

// True when `stop` is a stop with status 1, told as `notice` with `text`.
inline bool IsStop(const std::optional<nest::RunStop>& stop, nest::StopNotice notice,
                   const std::string& text = "") {
  return stop && stop->notice == notice && stop->text == text && stop->status == 1;
}

inline std::vector<nest::Vertex> Rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

inline nest::Loop MakeLoop(const std::vector<nest::Vertex>& v) {
  nest::Loop loop;
  loop.SetVertices(v);
  return loop;
}

inline std::string FormatNumber(double v) {
  std::ostringstream s;
  s.precision(17);
  s << v;
  return s.str();
}

// The three header lines with labels of exactly 13, 12 and 14 characters.
inline std::string SheetHeader(const std::string& length, const std::string& width) {
  return "SheetLength: " + length + "\n" + "SheetWidth: " + width + "\n" + "SheetThicknes 0\n";
}
inline std::string SheetHeader(double length, double width) {
  return SheetHeader(FormatNumber(length), FormatNumber(width));
}

inline std::string LoopLines(const std::vector<nest::Vertex>& v) {
  std::string s;
  for (const nest::Vertex& p : v) s += FormatNumber(p.x) + "," + FormatNumber(p.y) + "\n";
  return s;
}

// One Part block with its name, copy count, outer loop and holes (file order).
inline std::string PartBlockText(const std::string& name, int count,
                                 const std::vector<nest::Vertex>& outer,
                                 const std::vector<std::vector<nest::Vertex>>& holes = {}) {
  std::string s = "Part\nName\n" + name + "\nPartNumOfSameType\n" + std::to_string(count) + "\n";
  s += "OutLoop\n" + LoopLines(outer) + "EndOutLoop\n";
  for (const auto& h : holes) s += "InnerLoop\n" + LoopLines(h) + "EndInnerLoop\n";
  s += "EndPart\n";
  return s;
}

// A job set up from part data file text, as the run flow sets it up.
inline std::unique_ptr<nest::PackJob> JobFromText(const std::string& text, int rn, double ppd) {
  TempDir dir;
  const std::string file = dir.File("parts.txt");
  WriteBytes(file, text);
  auto job = std::make_unique<nest::PackJob>();
  job->Setup(file, rn, ppd);
  return job;
}

}  // namespace nest::testing_support
