#include "app/Console.hpp"

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace nest {

Console& ActiveConsole() {
  static Console console;
  return console;
}

void WaitForKey() {
  Console& c = ActiveConsole();
  std::fflush(c.out);
  const int fd = fileno(c.in);
  termios saved{};
  if (fd >= 0 && isatty(fd) && tcgetattr(fd, &saved) == 0) {
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
    return;
  }
  (void)std::fgetc(c.in);
}

void ShowWarning(const char* text) {
  Console& c = ActiveConsole();
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
