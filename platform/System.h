// What the program asks of the system besides files: the texts of its error codes, where the
// running program lives, the system and temporary folders, random bytes, and where a program is
// registered.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace pravix {

// The system's text for an error code, without trailing blanks, control characters and full stops.
std::string systemErrorText(int code);

// Removes every trailing character of code 0 to 32 and every trailing ".".
std::string trimSystemText(std::string text);

// A failure of the system outside the files (a window, a process, a socket), with its text.
class SystemError : public std::runtime_error {
 public:
  // "WHAT. REASON", the reason the system's text for `code`.
  SystemError(const std::string& what, int code);
};

// SystemError for the calling thread's last error (GetLastError on Win32, errno elsewhere).
[[noreturn]] void throwLastError(const std::string& what);

// The full path of the running program's executable.
std::string executablePath();

// The directory of the running program's executable, with its trailing separator.
std::string programDirectory();

// Fills `buffer` from the system's source of cryptographically strong random bytes; SystemError
// when the system has none to give.
void systemRandomBytes(void* buffer, size_t count);

// `bytes` such random bytes as lower-case hex digits: for secrets and fresh names.
std::string randomHex(size_t bytes);

#ifdef _WIN32
// The Windows system folder, without a trailing "\".
std::string systemDirectory();

// The user's temporary folder, with its trailing "\"; SystemError when there is none.
std::string temporaryDirectory();

// The folder of the program's own data for this user, "%LOCALAPPDATA%\Pravix", made when it is
// missing; without a trailing "\". FileCreateError when it cannot be made.
std::string userDataDirectory();

// The folder of what the program keeps for this user wherever the user logs on,
// "%APPDATA%\Pravix", made when it is missing; without a trailing "\". FileCreateError when it
// cannot be made.
std::string roamingDataDirectory();

// Whether this is a 32-bit program running on 64-bit Windows.
bool isWow64Process();

// Where the App Paths key registers the program `name` ("msedge.exe"), as the shell looks it up:
// the user's key first, then the machine's; nothing when neither names it.
std::optional<std::string> registeredProgram(const std::string& name);
#endif

}  // namespace pravix
