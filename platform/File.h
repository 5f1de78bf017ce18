// The file layer: exclusive file streams, replacement in one step, the copier, the I/O exception
// kinds, and the few file queries the packaging needs. Implemented once for Win32 and once for
// POSIX with the same outcomes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Handle.h"

namespace pravix {

// Every I/O failure the routines raise; callers use only the message.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The failures that name a file: the path as the user knows it (made absolute), then the reason.
class FileOpenError : public FileError {
 public:
  FileOpenError(const std::string& path, const std::string& reason);
};

class FileCreateError : public FileError {
 public:
  // For the system's error `code`.
  FileCreateError(const std::string& path, int code);
  // For a reason of the program's own.
  FileCreateError(const std::string& path, const std::string& reason);
  // The same failure told under another name (the target, for its temporary file).
  FileCreateError(const std::string& path, const FileCreateError& cause);
  // Whether the system denied the access: the folder or the file is not the user's to write.
  bool accessDenied() const { return accessDenied_; }

 private:
  std::string reason_;
  bool accessDenied_ = false;
};

// What the program refuses by its own rules before it touches a file: a device, a folder, a source
// that is also the target, a movie too large for its trailer.
class FileRefusedError : public FileError {
 public:
  // "\"PATH\" REASON", the path made absolute.
  FileRefusedError(const std::string& path, const std::string& reason);
  // A refusal that names no one file.
  explicit FileRefusedError(const std::string& message) : FileError(message) {}
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

class File;

// A file made under a name nobody had, and that name.
struct CreatedFile;

// An open file. Opening an existing file throws FileOpenError, or FileRefusedError for a device, a
// folder or anything else that is not a file on a disk; a short read or write throws
// StreamReadError or StreamWriteError.
class File {
 public:
  File(const std::string& path, FileMode mode);
  // A new file `folder` + `stem` + eight hex digits + `extension`, opened for reading and writing
  // by nobody else; the digits differ from run to run and from try to try, so that no leftover of
  // an earlier run is ever taken over. FileCreateError when the folder takes no new file.
  static CreatedFile createUnique(const std::string& folder, const std::string& stem,
                                  const std::string& extension);
  // The process's standard output, through a handle of its own: the output stays open after it.
  static File standardOutput();

  // StreamReadError when the system cannot tell.
  uint64_t size() const;
  // Reads exactly `count` bytes at `offset`, whatever was read before.
  void readAt(uint64_t offset, void* buffer, size_t count) const;
  // Writes at the file's position, which moves on.
  void writeExactly(const void* buffer, size_t count);
  // Puts what was written on the disk, so that it survives a power cut (FlushFileBuffers, fsync).
  void flush();

 private:
  friend class Copier;
  explicit File(FileHandle handle) : handle_(std::move(handle)) {}
  // Nothing when the name is taken; FileCreateError for every other failure.
  static std::optional<File> createNew(const std::string& path);
  // Copies up to `count` bytes at `offset` to the position of `to` inside the system, where it
  // offers such a copy; returns how many bytes it copied (0 where it offers none), and leaves the
  // rest, and the report of any fault, to the caller's buffer.
  uint64_t copyInSystem(uint64_t offset, File& to, uint64_t count) const;

  FileHandle handle_;
};

struct CreatedFile {
  File file;
  std::string path;
};

// Told, part by part, how many of a copy's `total` bytes are `done`.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

// Copies runs of bytes from files to the position of another file: inside the system where it can
// (copy_file_range), through one buffer of kBufferSize bytes where it cannot (always on Win32, and
// for a pipe); the bytes are read at their offsets, so no reader depends on a file's position.
// Reports progress every kProgressStep bytes of `total`.
class Copier {
 public:
  static constexpr size_t kBufferSize = 61440;
  static constexpr uint64_t kProgressStep = 16 * 1024 * 1024;

  explicit Copier(uint64_t total, Progress progress = nullptr)
      : total_(total), progress_(std::move(progress)) {}

  void copy(const File& from, uint64_t offset, uint64_t count, File& to);

 private:
  void copyThroughBuffer(const File& from, uint64_t offset, uint64_t count, File& to);

  uint64_t total_;
  uint64_t done_ = 0;
  Progress progress_;
  std::vector<char> buffer_;
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
  // A file that replaces another is flushed to the disk first: after a power cut the target then
  // holds the old file or the whole new one, never an empty one.
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
// any extension, in any folder, and names in the device namespace. (On POSIX devices are files of
// their own type, refused once they are looked at.)
bool isDeviceName(const std::string& path);
#endif

// Whether a system error code means the access was denied.
bool isAccessDenied(int code);

// The size of the regular file at `path`, or nothing when there is none.
std::optional<uint64_t> fileSize(const std::string& path);

// Whether both paths name one existing file (hard links and other spellings included).
bool sameFile(const std::string& first, const std::string& second);

// `path` made absolute against the current directory.
std::string fullPathName(const std::string& path);

// A path as every message shows it: made absolute, between double quotes. A device keeps its
// given name, which says more than the device namespace's "\\.\COM1".
std::string quotedName(const std::string& path);

// The folder that holds `path` once it is made absolute, with its trailing separator: where a
// file that must end up at `path` is made ("D:/m/x.exe" lies in "D:\m\", not in D:'s current
// folder).
std::string containingFolder(const std::string& path);

}  // namespace pravix
