// System queries on Win32: FormatMessageA, GetModuleFileNameA, the system, temporary and user data
// folders, IsWow64Process, BCryptGenRandom and the App Paths keys.
#include <windows.h>
#include <bcrypt.h>
#include <shlobj.h>
#include <winternl.h>

#include <vector>

#include "platform/File.h"
#include "platform/Handle.h"
#include "platform/System.h"

namespace pravix {
namespace {

// A string value of a key, or nothing; REG_EXPAND_SZ values are expanded.
std::optional<std::string> registryText(HKEY root, const char* subKey, const char* valueName) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const RegistryKey key(opened);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
    return std::nullopt;
  }
  std::vector<char> value(size + 1);
  if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string text(value.data());
  if (type == REG_EXPAND_SZ) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    std::vector<char> expanded(needed + 1);
    if (needed == 0 || ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed) == 0) {
      return std::nullopt;
    }
    text = expanded.data();
  }
  // The shell accepts the path in quotes.
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

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

namespace {

// "FOLDER\Pravix" in the shell's folder `which`, made when it is missing.
std::string ownFolderIn(int which) {
  char folder[MAX_PATH] = {};
  const HRESULT found = SHGetFolderPathA(nullptr, which | CSIDL_FLAG_CREATE, nullptr, 0, folder);
  const std::string own = std::string(folder) + "\\Pravix";
  if (FAILED(found)) throw FileCreateError(own, static_cast<int>(HRESULT_CODE(found)));
  if (!CreateDirectoryA(own.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw FileCreateError(own, static_cast<int>(GetLastError()));
  }
  return own;
}

}  // namespace

std::string userDataDirectory() {
  return ownFolderIn(CSIDL_LOCAL_APPDATA);
}

std::string roamingDataDirectory() {
  return ownFolderIn(CSIDL_APPDATA);
}

bool isWow64Process() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

void systemRandomBytes(void* buffer, size_t count) {
  auto* bytes = static_cast<UCHAR*>(buffer);
  while (count > 0) {
    const auto part = static_cast<ULONG>(count < 0x10000000u ? count : 0x10000000u);
    const NTSTATUS status = BCryptGenRandom(nullptr, bytes, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) {
      throw SystemError("The system gave no random bytes",
                        static_cast<int>(RtlNtStatusToDosError(status)));
    }
    bytes += part;
    count -= part;
  }
}

std::optional<std::string> registeredProgram(const std::string& name) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    if (std::optional<std::string> path = registryText(root, key.c_str(), nullptr)) return path;
  }
  return std::nullopt;
}

}  // namespace pravix
