// What the program asks of the system besides files: the texts of its error codes, where the
// running program lives, the system and temporary folders, random bytes, and where a program is
// registered.
#pragma once

#include <cstddef>
#include <optional>
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

// Fills `buffer` from the system's source of cryptographically strong random bytes; throws
// std::runtime_error when the system has none to give.
void systemRandomBytes(void* buffer, size_t count);

// The folder for temporary files, with its trailing separator; throws std::runtime_error when
// the system names none.
std::string temporaryDirectory();

#ifdef _WIN32
// The Windows system folder, without a trailing "\".
std::string systemDirectory();

// Where the App Paths key registers the program `name` ("msedge.exe"), as the shell looks it up:
// the user's key first, then the machine's; nothing when neither names it.
std::optional<std::string> registeredProgram(const std::string& name);
#endif

}  // namespace pravix
