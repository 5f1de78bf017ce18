// The file layer: exclusive file streams, replacement in one step, the copier, the I/O exception
// kinds, and the few file queries the packaging needs. Implemented once for Win32 and once for
// POSIX with the same outcomes; on POSIX a tool may ask for the system's own rules instead.
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

// Every I/O failure the routines raise. The message is the program's; a tool that words its own
// messages ("pravix: FILE: reason") takes the file and the reason apart.
class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& message, std::string path = {},
                     const std::string& reason = {})
      : std::runtime_error(message),
        path_(std::move(path)),
        reason_(reason.empty() ? message : reason) {}
  // The file as its caller named it; empty when the failure names none.
  const std::string& path() const { return path_; }
  // The reason alone: the system's text, or the program's rule; the whole message when there is
  // no other.
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
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

// A file the program reads for what it holds (an icon, a game's options) that does not hold it:
// "\"PATH\" REASON"; or an option given on a command line or in a window, which names no file:
// the reason alone, as a sentence.
class FileFormatError : public FileError {
 public:
  FileFormatError(const std::string& path, const std::string& reason);
};

// A file stands where the result was to go, and it is kept (Existing::Keep).
class FileExistsError : public FileRefusedError {
 public:
  explicit FileExistsError(const std::string& path) : FileRefusedError(path, "exists") {}
};

// A read or a write that could not be done whole: the file as its opener named it, and the
// system's reason, for whoever tells more than the program's message.
class StreamReadError : public FileError {
 public:
  explicit StreamReadError(std::string path = {}, const std::string& reason = {})
      : FileError("Stream read error", std::move(path), reason) {}
};

class StreamWriteError : public FileError {
 public:
  explicit StreamWriteError(std::string path = {}, const std::string& reason = {})
      : FileError("Stream write error", std::move(path), reason) {}
};

enum class FileMode {
  ReadExisting,  // read, no other opener
  ReadShared,    // read, other readers allowed
};

// Whose rules a file follows when others use it too. Win32 has one set, and ignores the choice.
// On POSIX `Windows` imitates it, so that the native tests check the Windows program's rules:
// every opener here takes an advisory lock as the file mode says, and a file without its owner's
// write bit is not replaced, even by root. `Unix` is the system's own: no lock is taken on
// anything, and a read-only file is replaced where its folder allows, as `mv -f` replaces it.
enum class FileRules { Windows, Unix };

// What becomes of a file that stands where a result goes: replaced, or kept (the result is then
// refused, also when the file appears only while the result is written).
enum class Existing { Replace, Keep };

class File;

// A file made under a name nobody had, and that name.
struct CreatedFile;

// An open file, which keeps the name it was opened by for its errors. Opening an existing file
// throws FileOpenError, or FileRefusedError for a device, a folder or anything else that is not a
// file on a disk; a short read or write throws StreamReadError or StreamWriteError.
class File {
 public:
  File(const std::string& path, FileMode mode, FileRules rules = FileRules::Windows);
  // A new file `folder` + `stem` + eight hex digits + `extension`, opened for reading and writing
  // by nobody else; the digits differ from run to run and from try to try, so that no leftover of
  // an earlier run is ever taken over. FileCreateError when the folder takes no new file.
  static CreatedFile createUnique(const std::string& folder, const std::string& stem,
                                  const std::string& extension);
  // The process's standard output and input, each through a handle of its own: they stay open
  // after it. Either may be a pipe or a terminal as well as a file.
  static File standardOutput();
  static File standardInput();
  const std::string& name() const { return name_; }
  // Whether it is something other than a file on a disk (a pipe, a terminal, a device): read and
  // written only in order, its size unknown until its end.
  bool isStream() const;
  // Whether both are one file (hard links included).
  bool sameFileAs(const File& other) const;

  // StreamReadError when the system cannot tell.
  uint64_t size() const;
  // Reads exactly `count` bytes at `offset`, whatever was read before.
  void readAt(uint64_t offset, void* buffer, size_t count) const;
  // Reads what comes next, up to `count` bytes; 0 only at the end.
  size_t readSome(void* buffer, size_t count);
  // Writes at the file's position, which moves on.
  void writeExactly(const void* buffer, size_t count);
  // Puts what was written on the disk, so that it survives a power cut (FlushFileBuffers, fsync).
  void flush();
  // The full path the system opened, every link and junction on the way followed;
  // StreamReadError when the system cannot tell.
  std::string resolvedPath() const;
  // POSIX: lets whoever may run `other` run this file too (its execute bits that the umask lets
  // through), as a projector runs wherever its stub does. Win32 runs a file by its name: nothing.
  void takeExecuteBits(const File& other);

#ifndef _WIN32
  // A device or a named pipe that stands at `path`, opened for writing where it is, as standard
  // output is written; FileOpenError when it cannot be.
  static File inPlace(const std::string& path);
  // A new file without a name in `folder`, gone with its last handle: nothing is left behind,
  // whatever ends the program.
  static File anonymous(const std::string& folder);
#endif

 private:
  friend class Copier;
  friend class ReplacementFile;
  File(FileHandle handle, std::string name) : handle_(std::move(handle)), name_(std::move(name)) {}
  // Nothing when the name is taken; FileCreateError for every other failure.
  static std::optional<File> createNew(const std::string& path);
  // Copies up to `count` bytes at `offset` to the position of `to` inside the system, where it
  // offers such a copy; returns how many bytes it copied (0 where it offers none), and leaves the
  // rest, and the report of any fault, to the caller's buffer.
  uint64_t copyInSystem(uint64_t offset, File& to, uint64_t count) const;

  FileHandle handle_;
  std::string name_;
#ifdef _WIN32
  // Where the file pointer stands, when it is known: a read there goes without an offset. Wine
  // takes two to four times as long over a read at an offset (OVERLAPPED) as over one at the
  // pointer, and the copies read in order.
  mutable std::optional<uint64_t> pointer_;
#endif
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
  // A stream's reads take more than a Linux pipe holds (64 KiB): with 61,440-byte reads the writer
  // on the other side waited so often that `cat movie | pravix pack -` took 1.31 times cat's
  // time; from 64 KiB on, as long as cat's.
  static constexpr size_t kStreamBufferSize = 128 * 1024;
  static constexpr uint64_t kProgressStep = 16 * 1024 * 1024;

  explicit Copier(uint64_t total, Progress progress = nullptr)
      : total_(total), progress_(std::move(progress)) {}

  void copy(const File& from, uint64_t offset, uint64_t count, File& to);
  // Copies a stream to its end, or until more than `most` bytes have passed, through a buffer of
  // kStreamBufferSize; returns how many passed, so that more than `most` tells a stream too long.
  // (Linux's splice from a pipe into a file measured two to three times slower, on ext4 and
  // tmpfs alike.)
  uint64_t copyStream(File& from, File& to, uint64_t most);

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
// removed. On Win32 the result carries no attribute of an older file or of a copied stub; on
// POSIX it takes the permissions of the file it replaces, as `cp` onto a file keeps them.
class ReplacementFile {
 public:
  // Refuses a target that is a device or not a file, one that could not be replaced (held by
  // another program, read-only, by the rules followed), and any that stands there to be kept,
  // before anything is written. The unfinished file is the one a signal removes (Signals.h).
  explicit ReplacementFile(std::string target, FileRules rules = FileRules::Windows,
                           Existing existing = Existing::Replace);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  File& file() { return *file_; }
  // Closes the new file and moves it over the target; FileCreateError for the target if it can't,
  // FileExistsError when a file to be kept stands there by now. A file that replaces another is
  // flushed to the disk first: after a power cut the target then holds the old file or the whole
  // new one, never an empty one. On POSIX the new file takes the mode of the one it replaces.
  void commit();

 private:
  void discard() noexcept;

  std::string target_;
  FileRules rules_;
  Existing existing_;
  std::string temporary_;
  std::optional<File> file_;
};

// The checks that precede a replacement, and the move that ends it. Throw as ReplacementFile does.
void checkReplaceable(const std::string& target, FileRules rules, Existing existing);
void replaceFile(const std::string& from, const std::string& target, FileRules rules,
                 Existing existing);
// Removes a file, quietly: it is only ever an unfinished replacement.
void removeFile(const std::string& path) noexcept;
// Removes the file at `path`, where there is one; FileError when it stays.
void deleteFile(const std::string& path);

#ifdef _WIN32
// Whether the path names a device rather than a file: a name isReservedDeviceName knows, in any
// folder, and names in the device namespace. (On POSIX devices are files of
// their own type, refused once they are looked at.)
bool isDeviceName(const std::string& path);
#endif

struct FolderFile {
  std::string name;
  uint64_t size = 0;
};
// What `folder` (with its trailing separator) holds, in no set order, read from the folder alone
// (no file is opened): its files, and the names of its folders ("." and ".." left out).
// FileOpenError when it cannot be read.
struct FolderContents {
  std::vector<FolderFile> files;
  std::vector<std::string> folders;
};
FolderContents folderContents(const std::string& folder);

// The files of folderContents, or none when the folder cannot be read.
std::vector<FolderFile> filesIn(const std::string& folder);

// Where the file or folder at `path` really is, links and junctions followed, as
// File::resolvedPath tells it, without opening it for reading. FileOpenError when there is none or
// it cannot be reached.
std::string resolvedPathOf(const std::string& path);

// The same for a folder, with its trailing separator; FileOpenError for anything else.
std::string resolvedFolder(const std::string& folder);

// Makes `folder` and each missing folder above it; FileCreateError when one cannot be made.
void makeFolders(const std::string& folder);

// Whether `path` lies inside `folder` (with its trailing separator), as the system compares names:
// without regard to case on Win32.
bool isInsideFolder(const std::string& path, const std::string& folder);

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
