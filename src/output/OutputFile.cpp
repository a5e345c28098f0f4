#include "output/OutputFile.hpp"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "app/Texts.hpp"

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
  std::error_code ec;
  if (std::filesystem::exists(name_, ec)) {
    // The old file is replaced, not written, but a result that the user may
    // not write (or a directory in its place) stops the run as before.
    std::FILE* probe = std::fopen(name_.c_str(), "r+");
    if (probe == nullptr) return false;
    std::fclose(probe);
  }
  temp_ = name_ + "." + UniqueSuffix() + ".tmp";
  file_ = std::fopen(temp_.c_str(), "w");
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
  if (ok) {
    std::error_code ec;
    std::filesystem::rename(temp_, name_, ec);
    ok = !ec;
  }
  if (!ok) std::remove(temp_.c_str());
  return ok;
}

void OutputFile::Discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  std::remove(temp_.c_str());
}

std::string WriteFailedText(const std::string& name) {
  return std::string(texts::kFilePrefix) + name + texts::kWriteFailedSuffix;
}

}  // namespace nest
