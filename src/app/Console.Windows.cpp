#include "app/Console.hpp"

#include <conio.h>
#include <io.h>
#include <windows.h>

#include <string>

// A console window takes and gives characters (UTF-16), and this is the only
// way to it that reads right on every Windows: the bytes of a narrow write
// are converted with the console's code page by one C runtime and with its
// own locale by another, and the console's code page belongs to every
// program in the window. So the program's GBK text is converted here, both
// ways, and the console's settings are never touched. Files and pipes get the
// GBK bytes as they are.

namespace nest {

namespace {

// The program's texts are GBK.
constexpr UINT kGbkCodePage = 936;
// The Ctrl+Z that ends the input typed on a console, as a text-mode stream
// takes it.
constexpr wchar_t kEndOfInput = L'\x1a';

// The console behind `stream`, or nullptr when it is a file, a pipe or the
// null device.
HANDLE ConsoleHandle(std::FILE* stream) {
  const int fd = _fileno(stream);
  if (fd < 0) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0) return nullptr;
  return handle;
}

bool IsConsole(std::FILE* stream) { return ConsoleHandle(stream) != nullptr; }

// GBK bytes that do not form a character become U+FFFD.
std::wstring WideFromGbk(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

// Characters that GBK does not have become '?'.
std::string GbkFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace

namespace platform {

bool ReadKeyPress(std::FILE* in) {
  if (!IsConsole(in)) return false;
  // A key without a character of its own (arrows, function keys) comes as
  // two codes, the first 0 or 0xE0; both belong to the one key press.
  const int key = _getch();
  if (key == 0 || key == 0xE0) (void)_getch();
  return true;
}

bool ShowWarningBox(std::FILE* in, const char* text) {
  if (!IsConsole(in)) return false;
  // The box takes UTF-16, so the GBK text reads right whatever the system's
  // own code page is.
  const std::wstring wide = WideFromGbk(text);
  if (wide.empty()) return false;
  // No owner window and the OK button alone; brought to the front so that it
  // does not hide behind the console window. A box that cannot be shown
  // (anything but the OK answer: 0 on failure, or -1 where no desktop
  // exists) leaves the warning to the console.
  return MessageBoxW(nullptr, wide.c_str(), L"Warning!", MB_OK | MB_SETFOREGROUND) == IDOK;
}

bool WriteConsoleChars(std::FILE* stream, std::string_view text) {
  const HANDLE console = ConsoleHandle(stream);
  if (console == nullptr) return false;
  // Line ends as a text-mode stream writes them.
  std::string crlf;
  crlf.reserve(text.size() + 2);
  for (const char c : text) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  const std::wstring wide = WideFromGbk(crlf);
  if (wide.empty()) return text.empty();
  // What the stream still holds goes first.
  std::fflush(stream);
  std::size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(wide.size() - done);
    if (WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) == 0 || written == 0) {
      // Nothing written yet: the bytes go to the stream, which notes a
      // failure of its own. A console that fails half way loses the rest.
      return done != 0;
    }
    done += written;
  }
  return true;
}

bool ReadsConsoleLines(std::FILE* in) { return IsConsole(in); }

bool ReadConsoleLine(std::FILE* in, std::string& line) {
  line.clear();
  const HANDLE console = ConsoleHandle(in);
  if (console == nullptr) return false;
  // The console hands over a line once Enter is pressed, in pieces when it
  // is longer than the buffer. Nothing read (Ctrl+C, a closed console) ends
  // the input.
  std::wstring wide;
  wchar_t buffer[1024];
  while (wide.empty() || wide.back() != L'\n') {
    DWORD got = 0;
    if (ReadConsoleW(console, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) == 0 ||
        got == 0) {
      break;
    }
    wide.append(buffer, got);
  }
  // A Ctrl+Z ends the input where it stands; the line then lacks its line
  // end, which marks it as the last.
  const std::size_t end = wide.find(kEndOfInput);
  if (end != std::wstring::npos) wide.resize(end);
  // CR LF becomes one '\n', as a text-mode stream reads it.
  std::wstring text;
  text.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') continue;
    text.push_back(wide[i]);
  }
  line = GbkFromWide(text);
  return !line.empty();
}

}  // namespace platform

}  // namespace nest
