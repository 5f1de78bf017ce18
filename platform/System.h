// What the program asks of the system besides files: the texts of its error codes, where the
// running program lives, and the system folder.
#pragma once

#include <string>

namespace pravix {

// The system's text for an error code, without trailing blanks, control characters and full stops.
std::string systemErrorText(int code);

// Removes every trailing character of code 0 to 32 and every trailing ".".
std::string trimSystemText(std::string text);

// The full path of the running program's executable.
std::string executablePath();

// The directory of the running program's executable, with its trailing separator.
std::string programDirectory();

#ifdef _WIN32
// The Windows system folder, without a trailing "\".
std::string systemDirectory();
#endif

}  // namespace pravix
