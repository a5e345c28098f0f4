#pragma once

#include <cstdio>
#include <string>
#include <string_view>

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

// Writes `text` (GBK) to `stream`, the console's output or error stream. A
// file or a pipe gets the bytes as they are; an interactive console that takes
// characters rather than bytes gets the characters, so that they read right
// whatever encoding the console is set to.
void WriteConsoleText(std::FILE* stream, std::string_view text);

// Writes a text, one line end and flushes: the console's message lines.
void WriteConsoleLine(const char* text);

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

// Writes `text` (GBK) as characters when `stream` is an interactive console
// that takes characters; returns false without writing anything otherwise.
bool WriteConsoleChars(std::FILE* stream, std::string_view text);

// True when the answers on `in` are typed on an interactive console that
// hands over characters rather than bytes; they are then read with
// ReadConsoleLine.
bool ReadsConsoleLines(std::FILE* in);

// Reads one line typed on that console into `line`, as GBK text ending in
// one '\n'; a line without it is the input's last. False, with `line` empty,
// at the end of the input.
bool ReadConsoleLine(std::FILE* in, std::string& line);

}  // namespace platform

}  // namespace nest
