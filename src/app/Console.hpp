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

}  // namespace nest
