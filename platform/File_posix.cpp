// The file layer on POSIX, for the native tests and tools. By default it reproduces the Win32
// outcomes the packaging relies on: exclusive opens (an advisory lock that every opener here
// takes), and the read-only attribute (a file without its owner's write bit is not replaced, even
// by root). FileRules::Unix follows the system's own rules instead.
#include <errno.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Signals.h"
#include "platform/System.h"

namespace pravix {
namespace {

// Refuses what is not a regular file: a folder, a device, a pipe or a socket.
void refuseNonFile(const std::string& path, const struct stat& status) {
  if (S_ISREG(status.st_mode)) return;
  if (S_ISDIR(status.st_mode)) throw FileRefusedError(path, "is a folder, not a file");
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
    throw FileRefusedError(path, "is a device, not a file");
  }
  throw FileRefusedError(path, "is not a file on a disk");
}

// Opens an existing file for reading, under the lock that stands for the Win32 sharing mode when
// it imitates Win32. A pipe is opened without waiting for a writer, and then refused with every
// other non-file.
FileHandle openExisting(const std::string& path, FileMode mode, FileRules rules) {
  FileHandle handle(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!handle) throw FileOpenError(path, systemErrorText(errno));
  struct stat status {};
  if (::fstat(handle.get(), &status) != 0) throw FileOpenError(path, systemErrorText(errno));
  refuseNonFile(path, status);
  const int lock = mode == FileMode::ReadShared ? LOCK_SH : LOCK_EX;
  if (rules == FileRules::Windows && ::flock(handle.get(), lock | LOCK_NB) != 0) {
    throw FileOpenError(path, systemErrorText(errno));
  }
  return handle;
}

[[noreturn]] void throwCreateError(const std::string& target, int error) {
  if (error == EEXIST) throw FileExistsError(target);
  throw FileCreateError(target, error);
}

// The lock on a file about to be replaced, held until it is; no handle when there is no file, or
// no lock to take. What cannot be replaced by the rules followed is refused, and so is whatever
// stands at the target when it is to be kept.
FileHandle holdForReplacement(const std::string& target, FileRules rules, Existing existing) {
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) {
    // Nothing there yet is fine; a name that cannot be there (empty, too long, in a missing
    // folder) is told now, not after the whole result has been written.
    const int error = errno;
    if (error != ENOENT || target.empty()) throw FileCreateError(target, error);
    const std::string folder = fileDirectory(target);
    if (::access(folder.empty() ? "." : folder.c_str(), F_OK) != 0) {
      throw FileCreateError(target, errno);
    }
    // A link to nothing still stands at the name.
    if (existing == Existing::Keep && ::lstat(target.c_str(), &status) == 0) {
      throw FileExistsError(target);
    }
    return FileHandle();
  }
  refuseNonFile(target, status);
  if (existing == Existing::Keep) throw FileExistsError(target);
  if (rules == FileRules::Unix) return FileHandle();
  int error = (status.st_mode & S_IWUSR) == 0 ? EACCES : 0;
  FileHandle handle;
  if (error == 0) {
    handle.reset(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!handle || ::flock(handle.get(), LOCK_EX | LOCK_NB) != 0) error = errno;
  }
  if (error != 0) throw FileCreateError(target, error);
  return handle;
}

// Moves `from` to `target` only where nothing stands: in one step where the file system can
// (RENAME_NOREPLACE), else by a second name that only a free place takes (link), then the first
// name removed.
void moveToFreePlace(const std::string& from, const std::string& target) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) throwCreateError(target, errno);
#endif
  if (::link(from.c_str(), target.c_str()) != 0) throwCreateError(target, errno);
  ::unlink(from.c_str());
}

FileHandle duplicate(int descriptor, const char* name) {
  FileHandle handle(::fcntl(descriptor, F_DUPFD_CLOEXEC, 0));
  if (!handle) throw FileError(std::string("Cannot use ") + name + ". " + systemErrorText(errno));
  return handle;
}

mode_t currentUmask() {
  // Read by setting it: the one way POSIX offers, harmless to a program of one thread.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

File::File(const std::string& path, FileMode mode, FileRules rules)
    : handle_(openExisting(path, mode, rules)), name_(path) {}

std::optional<File> File::createNew(const std::string& path) {
  FileHandle handle(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!handle && errno == EEXIST) return std::nullopt;
  if (!handle || ::flock(handle.get(), LOCK_EX | LOCK_NB) != 0) {
    throw FileCreateError(path, errno);
  }
  return File(std::move(handle), path);
}

File File::standardOutput() {
  return File(duplicate(STDOUT_FILENO, "standard output"), "standard output");
}

File File::standardInput() {
  return File(duplicate(STDIN_FILENO, "standard input"), "standard input");
}

File File::inPlace(const std::string& path) {
  FileHandle handle(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (!handle) throw FileOpenError(path, systemErrorText(errno));
  return File(std::move(handle), path);
}

File File::anonymous(const std::string& folder) {
#ifdef O_TMPFILE
  FileHandle unnamed(::open(folder.c_str(), O_RDWR | O_TMPFILE | O_EXCL | O_CLOEXEC, 0600));
  if (unnamed) return File(std::move(unnamed), folder);
#endif
  // A file system without unnamed files: a named one, whose name goes before any signal comes.
  std::string name = folder + "/pravix-XXXXXX";
  const SignalsHeld held;
  FileHandle named(::mkostemp(name.data(), O_CLOEXEC));
  if (!named) throw FileCreateError(folder, errno);
  ::unlink(name.c_str());
  return File(std::move(named), folder);
}

bool File::isStream() const {
  struct stat status {};
  return ::fstat(handle_.get(), &status) != 0 || !S_ISREG(status.st_mode);
}

bool File::sameFileAs(const File& other) const {
  struct stat a {
  }, b{};
  return ::fstat(handle_.get(), &a) == 0 && ::fstat(other.handle_.get(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

uint64_t File::size() const {
  struct stat status {};
  if (::fstat(handle_.get(), &status) != 0) throw StreamReadError(name_, systemErrorText(errno));
  return static_cast<uint64_t>(status.st_size);
}

void File::readAt(uint64_t offset, void* buffer, size_t count) const {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t got = ::pread(handle_.get(), bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw StreamReadError(name_, systemErrorText(errno));
    if (got == 0) throw StreamReadError(name_, "the file ended early");
    bytes += got;
    count -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
}

size_t File::readSome(void* buffer, size_t count) {
  for (;;) {
    const ssize_t got = ::read(handle_.get(), buffer, count);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw StreamReadError(name_, systemErrorText(errno));
  }
}

void File::writeExactly(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (count > 0) {
    const ssize_t put = ::write(handle_.get(), bytes, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw StreamWriteError(name_, systemErrorText(put < 0 ? errno : EIO));
    bytes += put;
    count -= static_cast<size_t>(put);
  }
}

void File::flush() {
  if (::fsync(handle_.get()) != 0) throw StreamWriteError(name_, systemErrorText(errno));
}

void File::takeExecuteBits(const File& other) {
  struct stat mine {
  }, theirs{};
  if (::fstat(handle_.get(), &mine) != 0 || ::fstat(other.handle_.get(), &theirs) != 0) {
    throw StreamWriteError(name_, systemErrorText(errno));
  }
  const mode_t execute = theirs.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH) & ~currentUmask();
  if (execute != 0 && ::fchmod(handle_.get(), (mine.st_mode & 07777) | execute) != 0) {
    throw StreamWriteError(name_, systemErrorText(errno));
  }
}

uint64_t File::copyInSystem([[maybe_unused]] uint64_t offset, [[maybe_unused]] File& to,
                            [[maybe_unused]] uint64_t count) const {
  uint64_t copied = 0;
#ifdef __linux__
  // The kernel copies from page cache to page cache (or shares the blocks), with no trip through
  // this process; a file system or kernel without it, and any fault, stop the loop.
  auto from = static_cast<off_t>(offset);
  while (copied < count) {
    const auto part = static_cast<size_t>(std::min<uint64_t>(count - copied, 1u << 30));
    const ssize_t done =
        ::copy_file_range(handle_.get(), &from, to.handle_.get(), nullptr, part, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    copied += static_cast<uint64_t>(done);
  }
#endif
  return copied;
}

std::string File::resolvedPath() const {
  char resolved[PATH_MAX];
  if (::realpath(name_.c_str(), resolved) == nullptr) throw StreamReadError(name_, strerror(errno));
  return resolved;
}

FolderContents folderContents(const std::string& folder) {
  FolderContents contents;
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), ::closedir);
  if (!directory) throw FileOpenError(folder, strerror(errno));
  errno = 0;
  while (const dirent* entry = ::readdir(directory.get())) {
    const std::string name = entry->d_name;
    struct stat status {};
    if (::stat((folder + name).c_str(), &status) == 0) {
      if (S_ISREG(status.st_mode)) {
        contents.files.push_back({name, static_cast<uint64_t>(status.st_size)});
      } else if (S_ISDIR(status.st_mode) && name != "." && name != "..") {
        contents.folders.push_back(name);
      }
    }
    errno = 0;
  }
  if (errno != 0) throw FileOpenError(folder, strerror(errno));
  return contents;
}

std::string resolvedPathOf(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) throw FileOpenError(path, strerror(errno));
  return resolved;
}

std::string resolvedFolder(const std::string& folder) {
  const std::string resolved = resolvedPathOf(folder);
  struct stat status {};
  if (::stat(resolved.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    throw FileOpenError(folder, "is not a folder");
  }
  return resolved.back() == '/' ? resolved : resolved + "/";
}

void makeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) throw FileCreateError(part, errno);
  }
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) throw FileCreateError(folder, errno);
}

bool isInsideFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
}

bool isAccessDenied(int code) {
  return code == EACCES || code == EPERM;
}

void checkReplaceable(const std::string& target, FileRules rules, Existing existing) {
  holdForReplacement(target, rules, existing);
}

void replaceFile(const std::string& from, const std::string& target, FileRules rules,
                 Existing existing) {
  if (existing == Existing::Keep) {
    moveToFreePlace(from, target);
    return;
  }
  const FileHandle held = holdForReplacement(target, rules, existing);
  // The new file keeps the mode of the one it replaces, as `cp` onto a file does.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && ::chmod(from.c_str(), old.st_mode & 07777) != 0) {
    throw FileCreateError(target, errno);
  }
  if (::rename(from.c_str(), target.c_str()) != 0) {
    throw FileCreateError(target, errno);
  }
}

void removeFile(const std::string& path) noexcept {
  ::unlink(path.c_str());
}

void deleteFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return;
  const std::string reason = systemErrorText(errno);
  throw FileError("Cannot remove " + quotedName(path) + ". " + reason, path, reason);
}

std::optional<uint64_t> fileSize(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

bool sameFile(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string fullPathName(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> directory(PATH_MAX);
  if (::getcwd(directory.data(), directory.size()) == nullptr) return path;
  std::string full(directory.data());
  if (full.back() != '/') full += '/';
  return full + path;
}

}  // namespace pravix
