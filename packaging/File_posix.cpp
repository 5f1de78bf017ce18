// The file layer on POSIX, for the native tests. It reproduces the Win32 outcomes the packaging
// relies on: exclusive opens (an advisory lock that every opener here takes), and the read-only
// attribute (a file without its owner's write bit cannot be opened for writing, even by root).
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "packaging/File.h"
#include "packaging/Path.h"

namespace pravix {
namespace {

bool neverLeadByte(unsigned char) {
  return false;
}

bool isReadOnly(const struct stat& status) {
  return (status.st_mode & S_IWUSR) == 0;
}

// Opens `path` and takes the lock that stands for the Win32 sharing mode. A file is emptied only
// once the lock is held, so a file that someone holds open is never truncated. Sets errno and
// returns an invalid handle on failure.
FileHandle openLocked(const std::string& path, int flags, int lock, bool truncate) {
  struct stat status {};
  if ((flags & O_ACCMODE) != O_RDONLY && ::stat(path.c_str(), &status) == 0 &&
      S_ISREG(status.st_mode) && isReadOnly(status)) {
    errno = EACCES;
    return FileHandle();
  }
  FileHandle handle(::open(path.c_str(), flags | O_CLOEXEC, 0666));
  if (!handle) return handle;
  if (::fstat(handle.get(), &status) != 0) return FileHandle();
  if (S_ISDIR(status.st_mode)) {
    errno = EISDIR;
    return FileHandle();
  }
  if (::flock(handle.get(), lock | LOCK_NB) != 0) return FileHandle();
  // Emptying a file that is empty already is not free: on ext4 it makes the close write the new
  // contents out at once.
  if (truncate && status.st_size > 0 && ::ftruncate(handle.get(), 0) != 0) return FileHandle();
  return handle;
}

}  // namespace

const PathRules& hostPathRules() {
  static constexpr PathRules kRules{"/", neverLeadByte};
  return kRules;
}

void FileHandleTraits::close(int handle) noexcept {
  ::close(handle);
}

std::string systemErrorText(int code) {
  return trimSystemText(::strerror(code));
}

File::File(const std::string& path, FileMode mode) {
  switch (mode) {
    case FileMode::ReadExisting:
      handle_ = openLocked(path, O_RDONLY, LOCK_EX, false);
      break;
    case FileMode::WriteExisting:
      handle_ = openLocked(path, O_WRONLY, LOCK_EX, false);
      break;
    case FileMode::CreateReadWrite:
      handle_ = openLocked(path, O_RDWR | O_CREAT, LOCK_EX, true);
      break;
  }
  if (handle_) return;
  const int error = errno;
  if (mode == FileMode::CreateReadWrite)
    throw FileCreateError(fullPathName(path), systemErrorText(error));
  throw FileOpenError(fullPathName(path), systemErrorText(error));
}

uint64_t File::size() const {
  struct stat status {};
  if (::fstat(handle_.get(), &status) != 0) return 0;
  return static_cast<uint64_t>(status.st_size);
}

void File::seekFromEnd(uint64_t distance) {
  const uint64_t end = size();
  if (distance <= end) ::lseek(handle_.get(), static_cast<off_t>(end - distance), SEEK_SET);
}

void File::readExactly(void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t got = ::read(handle_.get(), bytes, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw StreamReadError();
    bytes += got;
    count -= static_cast<size_t>(got);
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

bool copyFile(const std::string& from, const std::string& to) {
  // Like the Win32 copy: the source may be shared with readers, the target may not be shared.
  FileHandle source = openLocked(from, O_RDONLY, LOCK_SH, false);
  if (!source) return false;
  FileHandle target = openLocked(to, O_WRONLY | O_CREAT, LOCK_EX, true);
  if (!target) return false;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const ssize_t got = ::read(source.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          ::write(target.get(), buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
  struct stat status {};
  return ::fstat(source.get(), &status) == 0 && ::fchmod(target.get(), status.st_mode & 07777) == 0;
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

std::string executablePath() {
  std::vector<char> buffer(PATH_MAX);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

}  // namespace pravix
