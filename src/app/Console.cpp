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
  WriteConsoleText(c.out, "Warning!\n");
  WriteConsoleText(c.out, text);
  WriteConsoleText(c.out, "\n");
  std::fflush(c.out);
  WaitForKey();
}

void WriteConsoleText(std::FILE* stream, std::string_view text) {
  if (platform::WriteConsoleChars(stream, text)) return;
  std::fwrite(text.data(), 1, text.size(), stream);
}

void WriteConsoleLine(const char* text) {
  Console& c = ActiveConsole();
  WriteConsoleText(c.out, text);
  WriteConsoleText(c.out, "\n");
  std::fflush(c.out);
}

}  // namespace nest
