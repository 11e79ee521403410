// A line read from the terminal without echo on POSIX: termios.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "../common/TypedLine.h"
#include "os/Console.h"

namespace os {

namespace {

volatile sig_atomic_t interruptedWhileHidden = 0;

void NoteInterruption(int /*signal*/) { interruptedWhileHidden = 1; }

}  // namespace

bool ReadHiddenLine(char* line, std::size_t size) {
  if (line == nullptr || size == 0) return false;
  line[0] = '\0';
  termios saved;
  if (::tcgetattr(0, &saved) != 0) return false;

  // Ctrl-C must not end the program while the echo is off: the signal is
  // noted (without restarting the read), the terminal restored, and then it
  // is raised again for the handler the program had.
  struct sigaction noting = {};
  noting.sa_handler = NoteInterruption;
  sigemptyset(&noting.sa_mask);
  struct sigaction previous;
  interruptedWhileHidden = 0;
  ::sigaction(SIGINT, &noting, &previous);

  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(0, TCSAFLUSH, &quiet);

  bool whole = ReadTypedLine(
      [](char& c) {
        while (interruptedWhileHidden == 0) {
          ssize_t got = ::read(0, &c, 1);
          if (got < 0 && errno == EINTR) continue;
          return got > 0;
        }
        return false;
      },
      line, size);

  ::tcsetattr(0, TCSANOW, &saved);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  ::sigaction(SIGINT, &previous, nullptr);
  if (interruptedWhileHidden != 0) {
    line[0] = '\0';
    ::raise(SIGINT);
    return false;
  }
  return whole;
}

}  // namespace os
