// The file layer on Win32: CreateFileA without sharing, CopyFileA, FormatMessageA.
#include <windows.h>

#include <vector>

#include "packaging/File.h"
#include "packaging/Path.h"

namespace pravix {
namespace {

bool ansiLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

// The bytes of one ReadFile or WriteFile call stay well below 4 GiB.
DWORD chunk(size_t count) {
  return static_cast<DWORD>(count < 0x40000000u ? count : 0x40000000u);
}

// A handle that only identifies a file: no access, every kind of sharing, folders too.
FileHandle openForQuery(const std::string& path) {
  return FileHandle(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

const PathRules& hostPathRules() {
  static constexpr PathRules kRules{"\\:", ansiLeadByte};
  return kRules;
}

void FileHandleTraits::close(void* handle) noexcept {
  CloseHandle(handle);
}
void KernelObjectTraits::close(void* handle) noexcept {
  CloseHandle(handle);
}

std::string systemErrorText(int code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result(text != nullptr ? text : "", length);
  LocalFree(text);
  return trimSystemText(std::move(result));
}

File::File(const std::string& path, FileMode mode) {
  DWORD access = GENERIC_READ;
  DWORD creation = OPEN_EXISTING;
  if (mode == FileMode::WriteExisting) access = GENERIC_WRITE;
  if (mode == FileMode::CreateReadWrite) {
    access = GENERIC_READ | GENERIC_WRITE;
    creation = CREATE_ALWAYS;
  }
  handle_.reset(CreateFileA(path.c_str(), access, 0, nullptr, creation,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (handle_) return;
  const DWORD error = GetLastError();
  const std::string reason = systemErrorText(static_cast<int>(error));
  if (mode == FileMode::CreateReadWrite) throw FileCreateError(fullPathName(path), reason);
  throw FileOpenError(fullPathName(path), reason);
}

uint64_t File::size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_.get(), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

void File::seekFromEnd(uint64_t distance) {
  // SetFilePointerEx refuses a position before the start and leaves the position as it was.
  LARGE_INTEGER move{};
  move.QuadPart = -static_cast<LONGLONG>(distance);
  SetFilePointerEx(handle_.get(), move, nullptr, FILE_END);
}

void File::readExactly(void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    DWORD got = 0;
    if (!ReadFile(handle_.get(), bytes, chunk(count), &got, nullptr) || got == 0) {
      throw StreamReadError();
    }
    bytes += got;
    count -= got;
  }
}

void File::writeExactly(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (count > 0) {
    DWORD put = 0;
    if (!WriteFile(handle_.get(), bytes, chunk(count), &put, nullptr) || put == 0) {
      throw StreamWriteError();
    }
    bytes += put;
    count -= put;
  }
}

bool copyFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::optional<uint64_t> fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool sameFile(const std::string& first, const std::string& second) {
  const FileHandle a = openForQuery(first);
  const FileHandle b = openForQuery(second);
  BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
  return a && b && GetFileInformationByHandle(a.get(), &infoA) &&
         GetFileInformationByHandle(b.get(), &infoB) &&
         infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

std::string fullPathName(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::vector<char> buffer(needed);
  const DWORD length = GetFullPathNameA(path.c_str(), needed, buffer.data(), nullptr);
  return length > 0 && length < needed ? std::string(buffer.data(), length) : path;
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

}  // namespace pravix
