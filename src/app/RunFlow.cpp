#include "app/RunFlow.hpp"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "app/AnswerReader.hpp"
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

void Prompt(const char* text) {
  std::FILE* out = ActiveConsole().out;
  WriteConsoleText(out, text);
  WriteConsoleText(out, "\n");
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
      WriteConsoleText(c.err, stop.text);
      WriteConsoleText(c.err, "\n");
      break;
  }
  return stop.status;
}

// The dialogue, set-up, search, drawing and the closing wait; a stop on the
// way leaves as a RunStop.
int Run() {
  AnswerReader answers = ConsoleAnswers();
  std::string partFileName;
  int rn = 0;
  double ppd = 0.0;
  int runMethod = 0;
  int maxIterations = 0;

  Prompt(texts::kBanner);
  Prompt(texts::kPromptFileName);
  if (!answers.ReadWord(partFileName)) RefuseAnswer(texts::kFileNameError);
  Prompt(texts::kPromptRN);
  if (!answers.ReadInt(rn)) RefuseAnswer(texts::kRNError);
  Prompt(texts::kPromptPPD);
  if (!answers.ReadReal(ppd)) RefuseAnswer(texts::kPPDError);
  Prompt(texts::kPromptMethod);
  if (!answers.ReadInt(runMethod)) RefuseAnswer(texts::kMethodError);
  Prompt(texts::kPromptIterations);
  if (!answers.ReadInt(maxIterations)) RefuseAnswer(texts::kIterationsError);

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
  WriteConsoleText(out, texts::kPausePrompt);
  std::fflush(out);
  WaitForKey();
  WriteConsoleText(out, "\n");
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
    WriteConsoleText(c.err, texts::kStdoutFailed);
    WriteConsoleText(c.err, "\n");
    if (status == 0) status = 1;
  }
  std::fflush(c.err);
  return status;
}

}  // namespace nest
