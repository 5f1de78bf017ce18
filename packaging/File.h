// The file layer: exclusive file streams, the four I/O exception kinds, and the few file queries
// the packaging needs. Implemented once for Win32 and once for POSIX with the same outcomes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "packaging/Handle.h"

namespace pravix {

// Every I/O failure the routines raise; callers use only the message.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileOpenError : public FileError {
 public:
  FileOpenError(const std::string& path, const std::string& reason);
};

class FileCreateError : public FileError {
 public:
  FileCreateError(const std::string& path, const std::string& reason);
};

class StreamReadError : public FileError {
 public:
  StreamReadError() : FileError("Stream read error") {}
};

class StreamWriteError : public FileError {
 public:
  StreamWriteError() : FileError("Stream write error") {}
};

// The system's text for an error code, without trailing blanks, control characters and full stops.
std::string systemErrorText(int code);

// Removes every trailing character of code 0 to 32 and every trailing ".".
std::string trimSystemText(std::string text);

enum class FileMode {
  ReadExisting,     // read; the file must exist
  WriteExisting,    // write; the file must exist
  CreateReadWrite,  // read and write; created, or emptied when it exists
};

#ifdef _WIN32
struct FileHandleTraits {
  using Type = void*;
  static Type invalid() noexcept { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }
  static void close(Type handle) noexcept;
};
#else
struct FileHandleTraits {
  using Type = int;
  static constexpr Type invalid() noexcept { return -1; }
  static void close(Type handle) noexcept;
};
#endif
using FileHandle = UniqueHandle<FileHandleTraits>;

#ifdef _WIN32
// Kernel objects other than files (processes, threads, events) fail as null, not as -1.
struct KernelObjectTraits {
  using Type = void*;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type handle) noexcept;
};
using KernelObject = UniqueHandle<KernelObjectTraits>;
#endif

// An open file that no other opener may share. Opening throws FileOpenError (FileCreateError for
// CreateReadWrite); a short read or write throws StreamReadError or StreamWriteError.
class File {
 public:
  File(const std::string& path, FileMode mode);

  uint64_t size() const;
  // Moves to `distance` bytes before the end; a move before the start is ignored.
  void seekFromEnd(uint64_t distance);
  void readExactly(void* buffer, size_t count);
  void writeExactly(const void* buffer, size_t count);

 private:
  FileHandle handle_;
};

// Copies `from` to `to`, replacing a file at `to` and carrying the file attributes over.
bool copyFile(const std::string& from, const std::string& to);

// The size of the regular file at `path`, or nothing when there is none.
std::optional<uint64_t> fileSize(const std::string& path);

// Whether both paths name one existing file (hard links and other spellings included).
bool sameFile(const std::string& first, const std::string& second);

// `path` made absolute against the current directory.
std::string fullPathName(const std::string& path);

// The full path of the running program's executable.
std::string executablePath();

}  // namespace pravix
