// The folder dialog: the shell's file dialog, told to pick folders.
#include "ui/FolderDialog.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>

#include "platform/CodePage.h"
#include "platform/Shell.h"
#include "platform/System.h"

namespace pravix {

std::optional<std::string> pickFolder(HWND owner, const std::string& initial) {
  const ComApartment com;
  Microsoft::WRL::ComPtr<IFileOpenDialog> dialog;
  HRESULT result =
      CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog));
  FILEOPENDIALOGOPTIONS options = 0;
  if (SUCCEEDED(result)) result = dialog->GetOptions(&options);
  if (SUCCEEDED(result)) {
    result = dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
  }
  if (FAILED(result)) throw SystemError("Cannot show the folder dialog", static_cast<int>(result));

  Microsoft::WRL::ComPtr<IShellItem> folder;
  if (!initial.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(fromCodePage(initial, CP_ACP).c_str(), nullptr,
                                            IID_PPV_ARGS(&folder)))) {
    dialog->SetFolder(folder.Get());
  }
  result = dialog->Show(owner);
  if (result == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return std::nullopt;
  Microsoft::WRL::ComPtr<IShellItem> chosen;
  wchar_t* path = nullptr;
  if (SUCCEEDED(result)) result = dialog->GetResult(&chosen);
  if (SUCCEEDED(result)) result = chosen->GetDisplayName(SIGDN_FILESYSPATH, &path);
  if (FAILED(result)) throw SystemError("Cannot show the folder dialog", static_cast<int>(result));
  const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(path, CoTaskMemFree);
  return exactName(owned.get());
}

}  // namespace pravix
