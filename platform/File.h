// The file layer: exclusive file streams, replacement in one step, the I/O exception kinds, and the
// few file queries the packaging needs. Implemented once for Win32 and once for POSIX with the
// same outcomes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Handle.h"

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

// What the program refuses by its own rules before it touches a file: a device, a folder, a source
// that is also the target, a movie too large for its trailer.
class FileRefusedError : public FileError {
 public:
  using FileError::FileError;
};

class StreamReadError : public FileError {
 public:
  StreamReadError() : FileError("Stream read error") {}
};

class StreamWriteError : public FileError {
 public:
  StreamWriteError() : FileError("Stream write error") {}
};

enum class FileMode {
  ReadExisting,  // read, no other opener
  ReadShared,    // read, other readers allowed
};

// An open file. Opening an existing file throws FileOpenError, or FileRefusedError for a device, a
// folder or anything else that is not a file on a disk; a short read or write throws
// StreamReadError or StreamWriteError.
class File {
 public:
  File(const std::string& path, FileMode mode);
  // A file that did not exist, opened for reading and writing by nobody else; nothing, with the
  // system's `error`, when it cannot be made.
  static std::optional<File> createNew(const std::string& path, int& error);
  // The `error` of createNew for a name that is taken.
  static bool nameTaken(int error);
  // The process's standard output, through a handle of its own: the output stays open after it.
  static File standardOutput();

  uint64_t size() const;
  // Moves to `distance` bytes before the end; a move before the start is ignored.
  void seekFromEnd(uint64_t distance);
  void readExactly(void* buffer, size_t count);
  // Reads at `offset` whatever earlier reads did, so that no caller depends on another's position;
  // where readExactly goes on afterwards is left open.
  void readAt(uint64_t offset, void* buffer, size_t count) const;
  void writeExactly(const void* buffer, size_t count);
  // Copies up to `count` bytes from this file's position to that of `to` inside the system, where
  // it offers such a copy; returns how many bytes it copied (0 where it offers none), and leaves
  // the rest, and the report of any fault, to the caller's buffer.
  uint64_t copyInSystem(File& to, uint64_t count);

 private:
  explicit File(FileHandle handle) : handle_(std::move(handle)) {}
  // Reads exactly `count` bytes at `offset`, or at the position when there is none.
  void read(void* buffer, size_t count, std::optional<uint64_t> offset) const;

  FileHandle handle_;
};

// A new file that takes the place of `target` only once it is complete. It is written beside the
// target under a temporary name and moved over the target in one step by commit(); until then
// whatever stands at the target is untouched, and a replacement that is never committed is
// removed. The result carries no attribute of an older file or of a copied stub.
class ReplacementFile {
 public:
  // Refuses a target that is a device or not a file, and one that could not be replaced (held by
  // another program, read-only) before anything is written.
  explicit ReplacementFile(std::string target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  File& file() { return *file_; }
  // Closes the new file and moves it over the target; FileCreateError for the target if it can't.
  void commit();

 private:
  std::string target_;
  std::string temporary_;
  std::optional<File> file_;
};

// The checks that precede a replacement, and the move that ends it. Throw as ReplacementFile does.
void checkReplaceable(const std::string& target);
void replaceFile(const std::string& from, const std::string& target);
// Removes a file, quietly: it is only ever an unfinished replacement.
void removeFile(const std::string& path) noexcept;

#ifdef _WIN32
// Whether the path names a device rather than a file: CON, PRN, AUX, NUL, COM1-9 and LPT1-9 with
// any extension, and names in the device namespace. (On POSIX devices are files of their own
// type, refused once they are looked at.)
bool isDeviceName(const std::string& path);
#endif

// The size of the regular file at `path`, or nothing when there is none.
std::optional<uint64_t> fileSize(const std::string& path);

// Whether both paths name one existing file (hard links and other spellings included).
bool sameFile(const std::string& first, const std::string& second);

// `path` made absolute against the current directory.
std::string fullPathName(const std::string& path);

}  // namespace pravix
