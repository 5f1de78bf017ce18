// The system's dialog that picks a folder, opening in the folder offered.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace pravix {

// The chosen folder's path, or nothing when the user cancels; the dialog opens in `initial` when
// that is a folder. A name that the program's code page cannot hold is refused with
// FileRefusedError, as the open dialog refuses it; SystemError when the dialog cannot be shown.
std::optional<std::string> pickFolder(HWND owner, const std::string& initial);

}  // namespace pravix
