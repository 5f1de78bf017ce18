// What the program asks of the shell: opening files and web addresses.
#pragma once

#include <windows.h>

#include <string>

namespace pravix {

// Opens `file` with the program associated with it; the outcome is not looked at.
void openWithShell(HWND owner, const std::string& file);

// Starts "IEXPLORE" with `url`, or the default browser where it cannot be started.
void openWebAddress(HWND owner, const char* url);

// Opens a new message to `address` in the system's mail program.
void openMailAddress(HWND owner, const std::string& address);

}  // namespace pravix
