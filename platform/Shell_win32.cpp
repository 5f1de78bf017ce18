// Shell requests, and the start of the screen-saver installer.
#include "platform/Shell.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "platform/CodePage.h"
#include "platform/System.h"

namespace pravix {

ComApartment::ComApartment()
    : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}

ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) CoUninitialize();
}

void openWithShell(HWND owner, const std::string& file) {
  ShellExecuteA(owner, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void openWebAddress(HWND owner, const char* url) {
  // Values up to 32 are errors; current Windows has no IEXPLORE to start.
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteA(owner, "open", "IEXPLORE", url, nullptr, SW_SHOWNORMAL));
  if (started <= 32) ShellExecuteA(owner, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

void shellOpen(const std::string& target, const std::string& what) {
  // Shell extensions that handle the verb may need COM on this thread.
  const ComApartment com;
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "open";
  execute.lpFile = target.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&execute)) throw SystemError(what, static_cast<int>(GetLastError()));
}

std::optional<std::string> shellLinkTarget(const std::string& link) {
  const ComApartment com;
  Microsoft::WRL::ComPtr<IShellLinkW> shellLink;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&shellLink))) ||
      FAILED(shellLink.As(&file)) ||
      FAILED(file->Load(fromCodePage(link, CP_ACP).c_str(), STGM_READ))) {
    return std::nullopt;
  }
  // The path as the link holds it: looking for a moved target could lead anywhere.
  wchar_t target[MAX_PATH + 1] = {};
  if (shellLink->GetPath(target, MAX_PATH, nullptr, 0) != S_OK || target[0] == L'\0') {
    return std::nullopt;
  }
  const Narrowed narrowed = toCodePage(target, CP_ACP);
  if (!narrowed.exact) return std::nullopt;
  return narrowed.text;
}

void openMailAddress(HWND owner, const std::string& address) {
  ShellExecuteA(owner, nullptr, ("mailto:" + address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string screenSaverInstallCommand(const std::string& systemDirectory,
                                      const std::string& screenSaver) {
  return "\"" + systemDirectory + "\\rundll32.exe\" desk.cpl,InstallScreenSaver " + screenSaver;
}

void installScreenSaver(const std::string& screenSaver) {
  WinExec(screenSaverInstallCommand(systemDirectory(), screenSaver).c_str(), SW_SHOWNORMAL);
}

}  // namespace pravix
