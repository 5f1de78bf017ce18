// The open-file dialog.
#include "ui/OpenDialog.h"

#include <commdlg.h>

#include <vector>

namespace pravix {

OpenDialog::OpenDialog(const char* filter) : filter_(filter) {
  // The system wants the parts separated by NULs and the list ended by two.
  for (char& c : filter_) {
    if (c == '|') c = '\0';
  }
  filter_.append(2, '\0');
}

std::optional<std::string> OpenDialog::execute(HWND owner) {
  std::vector<char> file(32768, '\0');
  fileName_.copy(file.data(), file.size() - 1);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter_.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  // No must-exist checks, and the current folder may change with the user's choice.
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  fileName_ = file.data();
  return fileName_;
}

}  // namespace pravix
