// The file layer on Win32: CreateFileA without sharing, replacement by MoveFileExA, FormatMessageA.
#include <windows.h>

#include <cctype>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/System.h"

namespace pravix {
namespace {

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

[[noreturn]] void refuseDevice(const std::string& path) {
  throw FileRefusedError(path, "is a device, not a file");
}

[[noreturn]] void refuseFolder(const std::string& path) {
  throw FileRefusedError(path, "is a folder, not a file");
}

std::string lastErrorText() {
  return systemErrorText(static_cast<int>(GetLastError()));
}

FileHandle duplicateStandard(DWORD which, const char* name) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(which), GetCurrentProcess(), &handle, 0,
                       FALSE, DUPLICATE_SAME_ACCESS)) {
    throw FileError(std::string("Cannot use ") + name + ". " + lastErrorText());
  }
  return FileHandle(handle);
}

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool isDeviceName(const std::string& path) {
  // "\\.\COM1", "\\.\pipe\name": the device namespace.
  if (path.rfind("\\\\.\\", 0) == 0) return true;
  // The reserved names stay devices in every folder, with any extension and trailing blanks. The
  // system takes "/" for "\" too ("sub/COM1.exe"); no double-byte character ends in "/".
  const std::string name = fileName(path);
  return isReservedDeviceName(name.substr(name.find_last_of('/') + 1));
}

File::File(const std::string& path, FileMode mode, FileRules) : name_(path) {
  // Opening a device may block for good (a serial port) or talk to hardware.
  if (isDeviceName(path)) refuseDevice(path);
  if (isFolder(path)) refuseFolder(path);
  const DWORD share = mode == FileMode::ReadShared ? FILE_SHARE_READ : 0;
  handle_.reset(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle_) throw FileOpenError(path, lastErrorText());
  if (GetFileType(handle_.get()) != FILE_TYPE_DISK) {
    throw FileRefusedError(path, "is not a file on a disk");
  }
  pointer_ = 0;
}

std::optional<File> File::createNew(const std::string& path) {
  FileHandle handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (handle) {
    File created(std::move(handle), path);
    created.pointer_ = 0;
    return created;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return std::nullopt;
  throw FileCreateError(path, static_cast<int>(error));
}

File File::standardOutput() {
  return File(duplicateStandard(STD_OUTPUT_HANDLE, "standard output"), "standard output");
}

File File::standardInput() {
  return File(duplicateStandard(STD_INPUT_HANDLE, "standard input"), "standard input");
}

bool File::isStream() const {
  return GetFileType(handle_.get()) != FILE_TYPE_DISK;
}

bool File::sameFileAs(const File& other) const {
  BY_HANDLE_FILE_INFORMATION mine{}, theirs{};
  return GetFileInformationByHandle(handle_.get(), &mine) &&
         GetFileInformationByHandle(other.handle_.get(), &theirs) &&
         mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
         mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}

uint64_t File::size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_.get(), &size)) throw StreamReadError(name_, lastErrorText());
  return static_cast<uint64_t>(size.QuadPart);
}

void File::readAt(uint64_t offset, void* buffer, size_t count) const {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    // On a handle opened for synchronous I/O the offset applies to this call alone; either read
    // leaves the pointer after the bytes it read.
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_.get(), bytes, chunk(count), &got,
                  pointer_ == offset ? nullptr : &position)) {
      pointer_.reset();
      throw StreamReadError(name_, lastErrorText());
    }
    if (got == 0) throw StreamReadError(name_, "the file ended early");
    bytes += got;
    count -= got;
    offset += got;
    pointer_ = offset;
  }
}

size_t File::readSome(void* buffer, size_t count) {
  DWORD got = 0;
  if (ReadFile(handle_.get(), buffer, chunk(count), &got, nullptr)) {
    if (pointer_) *pointer_ += got;
    return got;
  }
  pointer_.reset();
  // A pipe whose writer has closed it has come to its end.
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  throw StreamReadError(name_, lastErrorText());
}

void File::writeExactly(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (count > 0) {
    DWORD put = 0;
    if (!WriteFile(handle_.get(), bytes, chunk(count), &put, nullptr) || put == 0) {
      pointer_.reset();
      throw StreamWriteError(name_, lastErrorText());
    }
    if (pointer_) *pointer_ += put;
    bytes += put;
    count -= put;
  }
}

void File::flush() {
  if (!FlushFileBuffers(handle_.get())) throw StreamWriteError(name_, lastErrorText());
}

void File::takeExecuteBits(const File&) {
  // Windows runs a file by its name, whoever may read it.
}

uint64_t File::copyInSystem(uint64_t, File&, uint64_t) const {
  // Win32 copies whole files only, not a run of bytes between two open handles: the caller's
  // buffer does it.
  return 0;
}

namespace {

// The path of what `handle` has open, links and junctions followed; StreamReadError about `name`
// when the system cannot tell.
std::string finalPathOf(HANDLE handle, const std::string& name) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length == 0) throw StreamReadError(name, lastErrorText());
    if (length < buffer.size()) {
      std::wstring_view path(buffer.data(), length);
      // "\\?\C:\..." and "\\?\UNC\server\...": the names the program knows.
      if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return "\\" + toCodePage(path.substr(8), CP_ACP).text;
      }
      if (path.rfind(L"\\\\?\\", 0) == 0) path.remove_prefix(4);
      return toCodePage(path, CP_ACP).text;
    }
    buffer.resize(length);
  }
}

}  // namespace

std::string File::resolvedPath() const {
  return finalPathOf(handle_.get(), name_);
}

FolderContents folderContents(const std::string& folder) {
  FolderContents contents;
  WIN32_FIND_DATAA found{};
  const FindHandle search(FindFirstFileA((folder + "*").c_str(), &found));
  if (!search) throw FileOpenError(folder, lastErrorText());
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      contents.files.push_back({name, uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow});
    } else if (name != "." && name != "..") {
      contents.folders.push_back(name);
    }
  } while (FindNextFileA(search.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) throw FileOpenError(folder, lastErrorText());
  return contents;
}

std::string resolvedPathOf(const std::string& path) {
  // Opened for its attributes only, with backup semantics (which a folder needs), shared with all.
  const FileHandle handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) throw FileOpenError(path, lastErrorText());
  return finalPathOf(handle.get(), path);
}

std::string resolvedFolder(const std::string& folder) {
  std::string resolved = resolvedPathOf(folder);
  if ((GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    throw FileOpenError(folder, "is not a folder");
  }
  if (resolved.back() != '\\') resolved += '\\';
  return resolved;
}

void makeFolders(const std::string& folder) {
  const std::string directory = fileDirectory(folder.substr(0, folder.find_last_not_of("\\/") + 1));
  if (!directory.empty() && directory != folder &&
      GetFileAttributesA(directory.c_str()) == INVALID_FILE_ATTRIBUTES) {
    makeFolders(directory);
  }
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw FileCreateError(folder, static_cast<int>(GetLastError()));
  }
}

bool isInsideFolder(const std::string& path, const std::string& folder) {
  const std::wstring wide = fromCodePage(path, CP_ACP);
  const std::wstring wideFolder = fromCodePage(folder, CP_ACP);
  return wide.size() > wideFolder.size() &&
         CompareStringOrdinal(wide.data(), static_cast<int>(wideFolder.size()), wideFolder.data(),
                              static_cast<int>(wideFolder.size()), TRUE) == CSTR_EQUAL;
}

bool isAccessDenied(int code) {
  return code == ERROR_ACCESS_DENIED;
}

void checkReplaceable(const std::string& target, FileRules, Existing existing) {
  if (isDeviceName(target)) refuseDevice(target);
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Nothing there yet is fine; a name that cannot be there (too long, in a missing folder) is
    // told now, not after the whole result has been written.
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return;
    throw FileCreateError(target, static_cast<int>(error));
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) refuseFolder(target);
  if (existing == Existing::Keep) throw FileExistsError(target);
  // The move would fail on these only after the whole result had been written.
  DWORD error = ERROR_SUCCESS;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    error = ERROR_ACCESS_DENIED;
  } else {
    const FileHandle probe(CreateFileA(target.c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD opened = probe ? ERROR_SUCCESS : GetLastError();
    if (opened == ERROR_SHARING_VIOLATION || opened == ERROR_ACCESS_DENIED) error = opened;
  }
  if (error != ERROR_SUCCESS) {
    throw FileCreateError(target, static_cast<int>(error));
  }
}

void replaceFile(const std::string& from, const std::string& target, FileRules rules,
                 Existing existing) {
  if (existing == Existing::Replace) checkReplaceable(target, rules, existing);
  // Without MOVEFILE_REPLACE_EXISTING the move itself refuses a name that is taken.
  const DWORD flags = existing == Existing::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
  if (!MoveFileExA(from.c_str(), target.c_str(), flags)) {
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) throw FileExistsError(target);
    throw FileCreateError(target, static_cast<int>(error));
  }
}

void removeFile(const std::string& path) noexcept {
  DeleteFileA(path.c_str());
}

void deleteFile(const std::string& path) {
  if (DeleteFileA(path.c_str())) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  const std::string reason = systemErrorText(static_cast<int>(error));
  throw FileError("Cannot remove " + quotedName(path) + ". " + reason, path, reason);
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

}  // namespace pravix
