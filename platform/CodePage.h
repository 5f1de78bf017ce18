// Names between the system's UTF-16 and the program's 8-bit code page: carried over exactly, or
// refused, never replaced by a look-alike.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace pravix {

// `text` in `codePage`; "?" stands for each character the code page cannot hold exactly, and
// `exact` says whether there was none.
struct Narrowed {
  std::string text;
  bool exact = true;
};
Narrowed toCodePage(std::wstring_view text, UINT codePage);

// `text` from `codePage` into UTF-16.
std::wstring fromCodePage(std::string_view text, UINT codePage);

// A file name in the program's code page. Where the system ignores the program's UTF-8 code page
// (before Windows 10 1903), a name it cannot hold exactly is refused with FileRefusedError: the
// system's best fit would name another file ("café" becomes "cafe").
std::string exactName(std::wstring_view name);

// That refusal, for the name as far as it can be shown.
[[noreturn]] void refuseUnrepresentable(const std::string& shown);

}  // namespace pravix
