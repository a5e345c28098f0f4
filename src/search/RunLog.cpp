#include "search/RunLog.hpp"

#include "app/Console.hpp"
#include "app/Stop.hpp"
#include "app/Texts.hpp"

namespace nest {

RunLog::RunLog() {
  log_ = std::fopen("Log.txt", "w");
  if (log_ == nullptr) {
    throw RunStop{StopNotice::kErrorStream, "Log file open error!"};
  }
}

RunLog::~RunLog() { Close(); }

void RunLog::Close() {
  if (log_ != nullptr) std::fclose(log_);
  log_ = nullptr;
}

void RunLog::Write(std::initializer_list<std::string> lines) {
  std::FILE* console = ActiveConsole().out;
  for (const std::string& line : lines) {
    std::fputs(line.c_str(), console);
    std::fputc('\n', console);
    std::fflush(console);
  }
  if (log_ == nullptr) return;
  for (const std::string& line : lines) {
    std::fputs(line.c_str(), log_);
    std::fputc('\n', log_);
    std::fflush(log_);
  }
}

std::string Real(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string Int(long long value) { return std::to_string(value); }

std::string Seconds(double seconds) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.2f", seconds);
  return std::string(buffer) + texts::kSecondsSuffix;
}

void SaveIDSequence(const PackJob& job, const std::string& fileName, const IDSequence& sequence) {
  std::FILE* file = std::fopen(fileName.c_str(), "w");
  if (file == nullptr) {
    throw RunStop{StopNotice::kErrorStream, "IDSequenceForPack save error!"};
  }
  for (int p = 0; p < job.PartCount; ++p) {
    std::fprintf(file, "%d", p < sequence.count() ? sequence.ids[p] : 0);
    if (p < job.PartCount - 1) {
      std::fputc(',', file);
    } else {
      std::fputc('\n', file);
      std::fflush(file);
    }
  }
  std::fclose(file);
}

}  // namespace nest
