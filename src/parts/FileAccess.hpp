#pragma once

#include <cstdio>
#include <string>

// The files of a run by their names: the part data file as the user typed its
// name, and the result files. Names are the program's text, GBK; where the
// platform names files in characters, they are converted from GBK, so that a
// Chinese name is found whatever the system's own encoding is. One
// definition per platform.
namespace nest::files {

// Opens the file `name` as the C library's fopen does with `mode`.
std::FILE* Open(const std::string& name, const char* mode);

// True when something (a file, a folder) has the name `name`.
bool Exists(const std::string& name);

// Renames `from` to `to`, replacing a file named `to`.
bool Rename(const std::string& from, const std::string& to);

// Removes the file `name`.
bool Remove(const std::string& name);

}  // namespace nest::files
