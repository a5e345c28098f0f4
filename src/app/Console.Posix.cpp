#include "app/Console.hpp"

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace nest {

namespace platform {

bool ReadKeyPress(std::FILE* in) {
  const int fd = fileno(in);
  termios saved{};
  if (fd < 0 || !isatty(fd) || tcgetattr(fd, &saved) != 0) return false;
  // One key press, without waiting for Enter and without echo. Anything
  // typed ahead in the line buffer is not taken for the key.
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &raw);
  char key = 0;
  ssize_t got = 0;
  do {
    got = read(fd, &key, 1);
  } while (got < 0 && errno == EINTR);
  tcsetattr(fd, TCSANOW, &saved);
  return true;
}

// No message box here: the warning is shown on the console.
bool ShowWarningBox(std::FILE*, const char*) { return false; }

// A terminal takes and gives bytes: the program's GBK text goes out as it is
// (a terminal of another encoding runs the program through a translator such
// as luit), and the answers are read as the bytes typed.
bool WriteConsoleChars(std::FILE*, std::string_view) { return false; }
bool ReadsConsoleLines(std::FILE*) { return false; }
bool ReadConsoleLine(std::FILE*, std::string&) { return false; }

}  // namespace platform

}  // namespace nest
