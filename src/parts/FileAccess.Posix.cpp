#include "parts/FileAccess.hpp"

#include <filesystem>
#include <system_error>

// A name is bytes here: the GBK name is the file's name as it is.
namespace nest::files {

std::FILE* Open(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

bool Exists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(name, ec);
}

bool Rename(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return !ec;
}

bool Remove(const std::string& name) { return std::remove(name.c_str()) == 0; }

}  // namespace nest::files
