// The file layer on POSIX, for the native tests and tools. It reproduces the Win32 outcomes the
// packaging relies on: exclusive opens (an advisory lock that every opener here takes), and the
// read-only attribute (a file without its owner's write bit is not replaced, even by root).
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
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

// Opens an existing file for reading under the lock that stands for the Win32 sharing mode. A
// pipe is opened without waiting for a writer, and then refused with every other non-file.
FileHandle openExisting(const std::string& path, int lock) {
  FileHandle handle(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!handle) throw FileOpenError(path, systemErrorText(errno));
  struct stat status {};
  if (::fstat(handle.get(), &status) != 0) throw FileOpenError(path, systemErrorText(errno));
  refuseNonFile(path, status);
  if (::flock(handle.get(), lock | LOCK_NB) != 0) throw FileOpenError(path, systemErrorText(errno));
  return handle;
}

// The lock on a file about to be replaced, held until it is; no handle when there is no file.
// A held or read-only file, and anything that is not a file, are refused as Win32 refuses them.
FileHandle holdForReplacement(const std::string& target) {
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) {
    // Nothing there yet is fine; a name that cannot be there (too long, in a missing folder) is
    // told now, not after the whole result has been written.
    const std::string folder = fileDirectory(target);
    if (errno == ENOENT && ::access(folder.empty() ? "." : folder.c_str(), F_OK) == 0) {
      return FileHandle();
    }
    throw FileCreateError(target, errno);
  }
  refuseNonFile(target, status);
  int error = (status.st_mode & S_IWUSR) == 0 ? EACCES : 0;
  FileHandle handle;
  if (error == 0) {
    handle.reset(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!handle || ::flock(handle.get(), LOCK_EX | LOCK_NB) != 0) error = errno;
  }
  if (error != 0) throw FileCreateError(target, error);
  return handle;
}

}  // namespace

File::File(const std::string& path, FileMode mode)
    : handle_(openExisting(path, mode == FileMode::ReadShared ? LOCK_SH : LOCK_EX)) {}

std::optional<File> File::createNew(const std::string& path) {
  FileHandle handle(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!handle && errno == EEXIST) return std::nullopt;
  if (!handle || ::flock(handle.get(), LOCK_EX | LOCK_NB) != 0) {
    throw FileCreateError(path, errno);
  }
  return File(std::move(handle));
}

File File::standardOutput() {
  FileHandle handle(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!handle) throw FileError("Cannot write to standard output. " + systemErrorText(errno));
  return File(std::move(handle));
}

uint64_t File::size() const {
  struct stat status {};
  if (::fstat(handle_.get(), &status) != 0) throw StreamReadError();
  return static_cast<uint64_t>(status.st_size);
}

void File::readAt(uint64_t offset, void* buffer, size_t count) const {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t got = ::pread(handle_.get(), bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw StreamReadError();
    bytes += got;
    count -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
}

void File::writeExactly(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (count > 0) {
    const ssize_t put = ::write(handle_.get(), bytes, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw StreamWriteError();
    bytes += put;
    count -= static_cast<size_t>(put);
  }
}

void File::flush() {
  if (::fsync(handle_.get()) != 0) throw StreamWriteError();
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

bool isAccessDenied(int code) {
  return code == EACCES || code == EPERM;
}

void checkReplaceable(const std::string& target) {
  holdForReplacement(target);
}

void replaceFile(const std::string& from, const std::string& target) {
  const FileHandle held = holdForReplacement(target);
  if (::rename(from.c_str(), target.c_str()) != 0) {
    throw FileCreateError(target, errno);
  }
}

void removeFile(const std::string& path) noexcept {
  ::unlink(path.c_str());
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
