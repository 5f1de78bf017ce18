// System queries on POSIX: strerror and the running program's link in /proc.
#include <errno.h>
#include <limits.h>
#include <string.h>
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

}  // namespace pravix
