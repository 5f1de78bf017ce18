// The system's explorer-style open-file dialog with one filter, offering the last file again.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace pravix {

class OpenDialog {
 public:
  // `filter` is a description and a pattern separated by "|", as "SWF file (*.swf)|*.swf".
  explicit OpenDialog(const char* filter);

  // The chosen path, or nothing when the user cancels. A name that the program's code page cannot
  // hold is refused with FileRefusedError.
  std::optional<std::string> execute(HWND owner);

 private:
  std::wstring filter_;
  std::string fileName_;
};

}  // namespace pravix
