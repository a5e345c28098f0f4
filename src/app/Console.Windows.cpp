#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "app/Console.hpp"

#include <conio.h>
#include <io.h>
#include <windows.h>

#include <string>

namespace nest {

namespace {

// The program's texts are GBK.
constexpr UINT kGbkCodePage = 936;

// True when `in` reads from an interactive console window (not a file, a pipe
// or the null device).
bool IsConsole(std::FILE* in) {
  const int fd = _fileno(in);
  if (fd < 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

// The console window belongs to every program attached to it, so its code
// pages are switched only while the program runs and then set back.
ConsoleSession::ConsoleSession() {
  const UINT input = GetConsoleCP();  // 0 without a console
  if (input != 0 && input != kGbkCodePage && SetConsoleCP(kGbkCodePage)) savedInput_ = input;
  const UINT output = GetConsoleOutputCP();
  if (output != 0 && output != kGbkCodePage && SetConsoleOutputCP(kGbkCodePage)) {
    savedOutput_ = output;
  }
}

ConsoleSession::~ConsoleSession() {
  if (savedInput_ != 0) SetConsoleCP(savedInput_);
  if (savedOutput_ != 0) SetConsoleOutputCP(savedOutput_);
}

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
  const int length = MultiByteToWideChar(kGbkCodePage, 0, text, -1, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (MultiByteToWideChar(kGbkCodePage, 0, text, -1, wide.data(), length) != length) return false;
  // No owner window and the OK button alone; brought to the front so that it
  // does not hide behind the console window. A box that cannot be shown
  // (anything but the OK answer: 0 on failure, or -1 where no desktop
  // exists) leaves the warning to the console.
  return MessageBoxW(nullptr, wide.c_str(), L"Warning!", MB_OK | MB_SETFOREGROUND) == IDOK;
}

}  // namespace platform

}  // namespace nest
