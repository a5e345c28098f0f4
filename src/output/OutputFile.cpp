#include "output/OutputFile.hpp"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>

#include "app/Texts.hpp"
#include "parts/FileAccess.hpp"

namespace nest {

namespace {

// A suffix that another run in the same folder does not pick: the time, a
// random number and an address that differs between processes.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  std::uint64_t mix = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  int local = 0;
  mix ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&local)) << 16;
  try {
    std::random_device device;
    mix ^= static_cast<std::uint64_t>(device()) << 32 | device();
  } catch (...) {
    // No random device: the time and the address still differ.
  }
  mix += counter.fetch_add(1);
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(mix));
  return buffer;
}

}  // namespace

OutputFile::OutputFile(std::string name) : name_(std::move(name)) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open() {
  if (files::Exists(name_)) {
    // The old file is replaced, not written, but a result that the user may
    // not write (or a directory in its place) stops the run as before.
    std::FILE* probe = files::Open(name_, "r+");
    if (probe == nullptr) return false;
    std::fclose(probe);
  }
  temp_ = name_ + "." + UniqueSuffix() + ".tmp";
  file_ = files::Open(temp_, "w");
  return file_ != nullptr;
}

bool OutputFile::Flush() {
  if (file_ == nullptr) return false;
  const bool flushed = std::fflush(file_) == 0;
  return flushed && std::ferror(file_) == 0;
}

bool OutputFile::Commit() {
  if (file_ == nullptr) return false;
  bool ok = Flush();
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (ok) ok = files::Rename(temp_, name_);
  if (!ok) files::Remove(temp_);
  return ok;
}

void OutputFile::Discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  files::Remove(temp_);
}

std::string WriteFailedText(const std::string& name) {
  return std::string(texts::kFilePrefix) + name + texts::kWriteFailedSuffix;
}

}  // namespace nest
