#include "tools/bazaro/Interruption.h"

#include <csignal>

namespace bazaro {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void NoteInterruption(int /*signal*/) {
  interrupted = 1;
  // Some C runtimes reset the handler for each signal; the next Ctrl-C is
  // noted too.
  std::signal(SIGINT, NoteInterruption);
}

}  // namespace

void WatchInterruption() { std::signal(SIGINT, NoteInterruption); }

bool Interrupted() { return interrupted != 0; }

}  // namespace bazaro
