// The parts of the system queries that do not depend on the platform.
#include "platform/System.h"

#include "platform/Path.h"

namespace pravix {

std::string trimSystemText(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

SystemError::SystemError(const std::string& what, int code)
    : std::runtime_error(what + ". " + systemErrorText(code)) {}

std::string randomHex(size_t bytes) {
  std::string random(bytes, '\0');
  systemRandomBytes(random.data(), random.size());
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char byte : random) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::string programDirectory() {
  return fileDirectory(executablePath());
}

}  // namespace pravix
