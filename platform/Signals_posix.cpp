// The signal handlers on POSIX: a fixed buffer holds the unfinished file's path, so that the
// handler allocates nothing and calls only async-signal-safe functions (unlink, sigaction, raise).
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include "platform/Signals.h"

namespace pravix {
namespace {

constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

char unfinishedPath[PATH_MAX];
volatile sig_atomic_t hasUnfinished = 0;

// The hold is the process's: the tool that installs the handlers runs one thread.
int holdDepth = 0;
sigset_t maskBeforeHold;

sigset_t handledSet() {
  sigset_t set;
  ::sigemptyset(&set);
  for (const int signal : kHandled) ::sigaddset(&set, signal);
  return set;
}

void onSignal(int signal) {
  if (hasUnfinished) ::unlink(unfinishedPath);
  // The signal is held while its handler runs: raised again, it ends the program by its default
  // action as soon as the handler returns.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  ::sigemptyset(&byDefault.sa_mask);
  ::sigaction(signal, &byDefault, nullptr);
  ::raise(signal);
}

}  // namespace

void removeUnfinishedFileOnSignals() {
  struct sigaction handler {};
  handler.sa_handler = onSignal;
  handler.sa_mask = handledSet();
  for (const int signal : kHandled) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &handler, nullptr);
  }
}

void setUnfinishedFile(const std::string& path) noexcept {
  // A longer path could not have been opened: the system refuses it (ENAMETOOLONG).
  if (path.size() >= sizeof unfinishedPath) return;
  ::memcpy(unfinishedPath, path.c_str(), path.size() + 1);
  hasUnfinished = 1;
}

void clearUnfinishedFile() noexcept {
  hasUnfinished = 0;
}

SignalsHeld::SignalsHeld() noexcept {
  if (holdDepth++ > 0) return;
  const sigset_t handled = handledSet();
  ::pthread_sigmask(SIG_BLOCK, &handled, &maskBeforeHold);
}

SignalsHeld::~SignalsHeld() {
  if (--holdDepth > 0) return;
  ::pthread_sigmask(SIG_SETMASK, &maskBeforeHold, nullptr);
}

}  // namespace pravix
