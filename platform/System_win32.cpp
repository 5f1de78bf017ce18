// System queries on Win32: FormatMessageA, GetModuleFileNameA, the system, temporary and user data
// folders, IsWow64Process.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/File.h"
#include "platform/System.h"

namespace pravix {

std::string systemErrorText(int code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result(text != nullptr ? text : "", length);
  LocalFree(text);
  return trimSystemText(std::move(result));
}

void throwLastError(const std::string& what) {
  throw SystemError(what, static_cast<int>(GetLastError()));
}

std::string executablePath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string systemDirectory() {
  char directory[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(directory, sizeof directory);
  return length > 0 && length < sizeof directory ? std::string(directory, length) : std::string();
}

std::string temporaryDirectory() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) throwLastError("There is no temporary folder");
  return std::string(folder, length);
}

std::string userDataDirectory() {
  char folder[MAX_PATH] = {};
  const HRESULT found =
      SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder);
  const std::string own = std::string(folder) + "\\Pravix";
  if (FAILED(found)) throw FileCreateError(own, static_cast<int>(HRESULT_CODE(found)));
  if (!CreateDirectoryA(own.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw FileCreateError(own, static_cast<int>(GetLastError()));
  }
  return own;
}

bool isWow64Process() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace pravix
