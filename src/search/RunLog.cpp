#include "search/RunLog.hpp"

#include "app/Console.hpp"
#include "app/Stop.hpp"
#include "app/Texts.hpp"

namespace nest {

namespace {

constexpr char kLogFile[] = "Log.txt";

}  // namespace

RunLog::RunLog() : log_(kLogFile) {
  if (!log_.Open()) throw RunStop{StopNotice::kErrorStream, "Log file open error!"};
}

RunLog::~RunLog() {
  if (log_.IsOpen()) (void)log_.Commit();
}

void RunLog::Close() {
  std::fflush(ActiveConsole().out);
  if (log_.IsOpen() && !log_.Commit()) {
    throw RunStop{StopNotice::kErrorStream, WriteFailedText(kLogFile)};
  }
}

void RunLog::Write(std::initializer_list<std::string> lines) {
  std::FILE* console = ActiveConsole().out;
  for (const std::string& line : lines) {
    WriteConsoleText(console, line);
    WriteConsoleText(console, "\n");
  }
  if (!log_.IsOpen()) return;
  std::FILE* log = log_.Stream();
  for (const std::string& line : lines) {
    std::fputs(line.c_str(), log);
    std::fputc('\n', log);
  }
}

void RunLog::Flush() {
  std::fflush(ActiveConsole().out);
  if (log_.IsOpen() && !log_.Flush()) {
    log_.Discard();
    throw RunStop{StopNotice::kErrorStream, WriteFailedText(kLogFile)};
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
  OutputFile result(fileName);
  if (!result.Open()) throw RunStop{StopNotice::kErrorStream, "IDSequenceForPack save error!"};
  std::FILE* file = result.Stream();
  for (int p = 0; p < job.PartCount; ++p) {
    std::fprintf(file, "%d", p < sequence.count() ? sequence.ids[p] : 0);
    if (p < job.PartCount - 1) {
      std::fputc(',', file);
    } else {
      std::fputc('\n', file);
    }
  }
  if (!result.Commit()) throw RunStop{StopNotice::kErrorStream, WriteFailedText(fileName)};
}

}  // namespace nest
