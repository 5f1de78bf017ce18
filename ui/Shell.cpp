// Shell requests.
#include "ui/Shell.h"

#include <shellapi.h>

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

void openMailAddress(HWND owner, const std::string& address) {
  ShellExecuteA(owner, nullptr, ("mailto:" + address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace pravix
