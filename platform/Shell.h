// What the program asks of the shell: opening files and web addresses, and installing a screen
// saver.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace pravix {

// COM on the calling thread, single-threaded as the shell's objects, handlers and dialogs need it,
// for as long as this lives.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

// Opens `file` with the program associated with it; the outcome is not looked at.
void openWithShell(HWND owner, const std::string& file);

// Starts "IEXPLORE" with `url`, or the default browser where it cannot be started.
void openWebAddress(HWND owner, const char* url);

// Hands `target`, a file or a web address, to the program that opens it (the default browser for
// an address), without a dialog, COM set up for the shell's handlers on the calling thread; returns
// once the handler has it, which may take a while (an installer's elevation prompt). SystemError,
// about `what`, when no program opens it or it cannot be started.
void shellOpen(const std::string& target, const std::string& what);

// The path that the shell link (".lnk") `link` leads to; nothing when it cannot be read or leads
// to no file (a folder of the shell's own, a path the code page cannot hold).
std::optional<std::string> shellLinkTarget(const std::string& link);

// Opens a new message to `address` in the system's mail program.
void openMailAddress(HWND owner, const std::string& address);

// The command that installs `screenSaver` as the current screen saver through the display
// settings. The installer is named by its full path in `systemDirectory`: the open dialog may have
// made the movie's folder current, and a program of that name there must not be run instead.
std::string screenSaverInstallCommand(const std::string& systemDirectory,
                                      const std::string& screenSaver);

// Starts that command, shown normally, without waiting for it; its outcome is not looked at.
void installScreenSaver(const std::string& screenSaver);

}  // namespace pravix
