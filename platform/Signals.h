// Signals that end the program while it writes a file (POSIX: INT, TERM, HUP and PIPE): the one
// unfinished file in flight is removed first, and the program then ends by the same signal, so
// that its caller sees why (a shell reports 128 + the signal's number). Win32 sends a console
// program no such signals: there all of this does nothing.
#pragma once

#include <string>

namespace pravix {

// Installs the handlers, for a tool that may be stopped while it writes; a signal the program was
// started with ignored (nohup, say) stays ignored.
void removeUnfinishedFileOnSignals();

// The one unfinished file of the process: named while it is written, cleared once it is moved into
// place or removed. Set and cleared while the signals are held, so that no handler finds a file
// made but not yet named, or a name already moved away.
void setUnfinishedFile(const std::string& path) noexcept;
void clearUnfinishedFile() noexcept;

// Holds the handled signals back while it lives; they arrive once the outermost hold ends.
class SignalsHeld {
 public:
  SignalsHeld() noexcept;
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
};

}  // namespace pravix
