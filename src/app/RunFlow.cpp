#include "app/RunFlow.hpp"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "app/Console.hpp"
#include "app/PackJob.hpp"
#include "app/Stop.hpp"
#include "app/StopSignals.hpp"
#include "app/Texts.hpp"
#include "placement/Placement.hpp"
#include "search/Drivers.hpp"
#include "search/Random.hpp"

namespace nest {

namespace {

void SkipSpace(std::FILE* in) {
  int c = 0;
  while ((c = std::fgetc(in)) != EOF && std::isspace(c)) {
  }
  if (c != EOF) std::ungetc(c, in);
}

// A white-space delimited word of any length.
bool ReadWord(std::FILE* in, std::string& word) {
  SkipSpace(in);
  word.clear();
  int c = 0;
  while ((c = std::fgetc(in)) != EOF && !std::isspace(c)) word.push_back(static_cast<char>(c));
  if (c != EOF) std::ungetc(c, in);
  return !word.empty();
}

// A decimal integer: optional sign and digits; the character after them is
// left for the next answer. Values beyond the range of int are refused.
bool ReadInt(std::FILE* in, int& value) {
  SkipSpace(in);
  int c = std::fgetc(in);
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = std::fgetc(in);
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
    c = std::fgetc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  if (!digits || overflow) return false;
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

bool ReadReal(std::FILE* in, double& value) { return std::fscanf(in, "%lf", &value) == 1; }

void Prompt(const char* text) {
  std::FILE* out = ActiveConsole().out;
  std::fputs(text, out);
  std::fputc('\n', out);
  std::fflush(out);
}

[[noreturn]] void RefuseAnswer(const char* message) {
  throw RunStop{StopNotice::kConsoleLine, message};
}

// Tells the user why the run stopped and gives its exit status.
int TellStop(const RunStop& stop) {
  Console& c = ActiveConsole();
  std::fflush(c.out);  // what the search showed comes before the reason
  switch (stop.notice) {
    case StopNotice::kSilent:
      break;
    case StopNotice::kWarningBox:
      ShowWarning(stop.text.c_str());
      break;
    case StopNotice::kConsoleLine:
      WriteConsoleLine(stop.text.c_str());
      break;
    case StopNotice::kErrorStream:
      std::fputs(stop.text.c_str(), c.err);
      std::fputc('\n', c.err);
      break;
  }
  return stop.status;
}

// The dialogue, set-up, search, drawing and the closing wait; a stop on the
// way leaves as a RunStop.
int Run() {
  std::FILE* in = ActiveConsole().in;
  std::string partFileName;
  int rn = 0;
  double ppd = 0.0;
  int runMethod = 0;
  int maxIterations = 0;

  Prompt(texts::kBanner);
  Prompt(texts::kPromptFileName);
  if (!ReadWord(in, partFileName)) RefuseAnswer(texts::kFileNameError);
  Prompt(texts::kPromptRN);
  if (!ReadInt(in, rn)) RefuseAnswer(texts::kRNError);
  Prompt(texts::kPromptPPD);
  if (!ReadReal(in, ppd)) RefuseAnswer(texts::kPPDError);
  Prompt(texts::kPromptMethod);
  if (!ReadInt(in, runMethod)) RefuseAnswer(texts::kMethodError);
  Prompt(texts::kPromptIterations);
  if (!ReadInt(in, maxIterations)) RefuseAnswer(texts::kIterationsError);

  SeedRandom(static_cast<std::uint32_t>(std::time(nullptr)));

  PackJob job;
  PartFileData data = LoadPartFile(partFileName);
  const std::optional<RunStop> unusable = UnusablePartStop(data);
  job.SetupFrom(std::move(data), rn, ppd);
  if (unusable) throw *unusable;
  if (job.PartCount == 0) throw RunStop{StopNotice::kWarningBox, texts::kNoParts};

  // Values with which no layout can be made: no rotation to try, a grid
  // spacing that is not a positive number within the sheet, or a grid too
  // large to hold.
  if (rn <= 0 || rn > kMaxRN) RefuseAnswer(texts::kRNError);
  if (!std::isfinite(ppd) || !(ppd > 0.0) || ppd > job.SheetLength || ppd > job.SheetWidth ||
      CandidateGridSize(job.SheetLength, job.SheetWidth, ppd) > kMaxCandidatePoints) {
    RefuseAnswer(texts::kPPDError);
  }

  // An interrupt from here on ends the search early and still writes the
  // best layout; the run then ends without the wait, with the signal's status.
  int stopSignal = 0;
  {
    StopSignalGuard guard;
    if (runMethod == 0) {
      RunHillClimbing(job, maxIterations);
    } else if (runMethod == 1) {
      RunSimulatedAnnealing(job, maxIterations);
    } else {
      RefuseAnswer(texts::kMethodError);
    }
    job.WriteDxf("Layout.dxf");
    stopSignal = StopSignalReceived();
  }
  WriteConsoleLine(texts::kLogNote);
  WriteConsoleLine(texts::kDrawingNote);
  if (stopSignal != 0) return StatusForSignal(stopSignal);
  std::FILE* out = ActiveConsole().out;
  std::fputs(texts::kPausePrompt, out);
  std::fflush(out);
  WaitForKey();
  std::fputc('\n', out);
  std::fflush(out);
  return 0;
}

}  // namespace

int RunProgram() {
  IgnoreFileSizeSignal();
  int status = 0;
  try {
    status = Run();
  } catch (const RunStop& stop) {
    status = TellStop(stop);
  } catch (const std::bad_alloc&) {
    status = TellStop(RunStop{StopNotice::kWarningBox, texts::kOutOfMemory});
  } catch (const std::exception&) {
    status = TellStop(RunStop{StopNotice::kWarningBox, texts::kInternalError});
  }
  // Console text that could not be written fails the run at its end, as
  // command-line tools do.
  Console& c = ActiveConsole();
  if (std::fflush(c.out) != 0 || std::ferror(c.out) != 0) {
    std::fputs(texts::kStdoutFailed, c.err);
    std::fputc('\n', c.err);
    if (status == 0) status = 1;
  }
  std::fflush(c.err);
  return status;
}

}  // namespace nest
