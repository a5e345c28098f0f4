#pragma once

#include <string>

namespace nest {

// How a stopped run tells the user why it stopped.
enum class StopNotice {
  kSilent,       // nothing is written
  kWarningBox,   // the "Warning!" box with the text, acknowledged by a key
  kConsoleLine,  // the text and a line end on the console
  kErrorStream,  // the text on the standard error stream
};

// An orderly stop of the run. Library code raises it where the reason is
// found; only the run flow catches it, tells the user and returns the status
// from main. Nothing but the run flow ends the process.
struct RunStop {
  StopNotice notice = StopNotice::kSilent;
  std::string text;
  int status = 1;
};

}  // namespace nest
