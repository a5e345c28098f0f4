#include "parts/FileAccess.hpp"

#include <windows.h>

#include <cwchar>
#include <string_view>

// Windows names files in UTF-16. A narrow name would be read in the system's
// own code page, which is GBK only on a Chinese Windows; so the GBK name is
// converted here and the wide calls are used.
namespace nest::files {

namespace {

constexpr UINT kGbkCodePage = 936;

// GBK bytes that do not form a character become U+FFFD, which no file's
// name holds.
std::wstring WideName(std::string_view name) {
  if (name.empty()) return {};
  const int size = static_cast<int>(name.size());
  const int length = MultiByteToWideChar(kGbkCodePage, 0, name.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, name.data(), size, wide.data(), length);
  return wide;
}

std::wstring WideMode(const char* mode) {
  std::wstring wide;
  for (const char* p = mode; *p != '\0'; ++p) wide.push_back(static_cast<wchar_t>(*p));
  return wide;
}

}  // namespace

std::FILE* Open(const std::string& name, const char* mode) {
  const std::wstring wide = WideName(name);
  if (wide.empty()) return nullptr;
  return _wfopen(wide.c_str(), WideMode(mode).c_str());
}

bool Exists(const std::string& name) {
  const std::wstring wide = WideName(name);
  return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Rename(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WideName(from);
  const std::wstring wideTo = WideName(to);
  if (wideFrom.empty() || wideTo.empty()) return false;
  return MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Remove(const std::string& name) {
  const std::wstring wide = WideName(name);
  return !wide.empty() && _wremove(wide.c_str()) == 0;
}

}  // namespace nest::files
