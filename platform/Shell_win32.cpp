// Shell requests, and the start of the screen-saver installer.
#include "platform/Shell.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/System.h"

namespace pravix {

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
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "open";
  execute.lpFile = target.c_str();
  execute.nShow = SW_SHOWNORMAL;
  const bool opened = ShellExecuteExA(&execute) != FALSE;
  const DWORD error = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (!opened) throw SystemError(what, static_cast<int>(error));
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
