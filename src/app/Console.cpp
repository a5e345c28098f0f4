#include "app/Console.hpp"

namespace nest {

Console& ActiveConsole() {
  static Console console;
  return console;
}

void WaitForKey() {
  Console& c = ActiveConsole();
  std::fflush(c.out);
  if (platform::ReadKeyPress(c.in)) return;
  (void)std::fgetc(c.in);
}

void ShowWarning(const char* text) {
  Console& c = ActiveConsole();
  std::fflush(c.out);
  if (platform::ShowWarningBox(c.in, text)) return;
  // Without a box: the caption and the text on the console, and a key.
  std::fputs("Warning!\n", c.out);
  std::fputs(text, c.out);
  std::fputc('\n', c.out);
  std::fflush(c.out);
  WaitForKey();
}

void WriteConsoleLine(const char* text) {
  Console& c = ActiveConsole();
  std::fputs(text, c.out);
  std::fputc('\n', c.out);
  std::fflush(c.out);
}

}  // namespace nest
