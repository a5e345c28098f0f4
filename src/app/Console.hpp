#pragma once

#include <cstdio>

namespace nest {

// The console the program talks to. The real one is the process's standard
// streams; tests put files or memory streams in its place.
struct Console {
  std::FILE* in = stdin;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

// The process-wide console.
Console& ActiveConsole();

// Waits for the user's acknowledgement: on a terminal one key press (no Enter
// needed); otherwise one byte of the input, or its end.
void WaitForKey();

// The modal warning: the caption "Warning!" and the text, then the
// acknowledgement. Nothing else happens while it waits.
void ShowWarning(const char* text);

// Writes a text, one line end and flushes: the console's message lines.
void WriteConsoleLine(const char* text);

// The console's settings for the length of the run: where the platform's
// console has its own text encoding, it is switched to the program's (GBK)
// when the object is made and switched back when it goes.
class ConsoleSession {
 public:
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

 private:
  [[maybe_unused]] unsigned savedInput_ = 0;  // the settings to restore, 0 for none
  [[maybe_unused]] unsigned savedOutput_ = 0;
};

// The platform's part of the console, one definition per platform.
namespace platform {

// Reads one key press, without echo and without waiting for Enter, when `in`
// is an interactive console; returns false at once otherwise.
bool ReadKeyPress(std::FILE* in);

// Shows the platform's own modal message box with the caption "Warning!" and
// the text (GBK) and returns once it is acknowledged, when the program runs in
// a console (`in` is one) and the platform has such a box; returns false
// without showing anything otherwise.
bool ShowWarningBox(std::FILE* in, const char* text);

}  // namespace platform

}  // namespace nest
