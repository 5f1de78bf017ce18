// The open-file dialog.
#include "ui/OpenDialog.h"

#include <commdlg.h>

#include <vector>

#include "platform/CodePage.h"

namespace pravix {

OpenDialog::OpenDialog(const char* filter) : filter_(fromCodePage(filter, CP_ACP)) {
  // The system wants the parts separated by NULs and the list ended by two.
  for (wchar_t& c : filter_) {
    if (c == L'|') c = L'\0';
  }
  filter_.append(2, L'\0');
}

std::optional<std::string> OpenDialog::execute(HWND owner) {
  // The wide dialog hands over the name as the user chose it; exactName then refuses one that the
  // program's code page cannot hold, where the 8-bit dialog would give a look-alike.
  std::vector<wchar_t> file(32768, L'\0');
  fromCodePage(fileName_, CP_ACP).copy(file.data(), file.size() - 1);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter_.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  // No must-exist checks, and the current folder may change with the user's choice.
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  fileName_ = exactName(file.data());
  return fileName_;
}

}  // namespace pravix
