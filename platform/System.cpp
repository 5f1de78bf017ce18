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

std::string programDirectory() {
  return fileDirectory(executablePath());
}

}  // namespace pravix
