// The parts of the file layer that do not depend on the platform.
#include "packaging/File.h"

namespace pravix {

FileOpenError::FileOpenError(const std::string& path, const std::string& reason)
    : FileError("Cannot open file \"" + path + "\". " + reason) {}

FileCreateError::FileCreateError(const std::string& path, const std::string& reason)
    : FileError("Cannot create file \"" + path + "\". " + reason) {}

std::string trimSystemText(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace pravix
