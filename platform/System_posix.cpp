// System queries on POSIX: strerror, the running program's link in /proc, and getrandom.
#include <errno.h>
#include <limits.h>
#include <string.h>
#include <sys/random.h>
#include <unistd.h>

#include <vector>

#include "platform/System.h"

namespace pravix {

std::string systemErrorText(int code) {
  return trimSystemText(::strerror(code));
}

void throwLastError(const std::string& what) {
  throw SystemError(what, errno);
}

std::string executablePath() {
  std::vector<char> buffer(PATH_MAX);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

void systemRandomBytes(void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t got = ::getrandom(bytes, count, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throwLastError("The system gave no random bytes");
    bytes += got;
    count -= static_cast<size_t>(got);
  }
}

}  // namespace pravix
