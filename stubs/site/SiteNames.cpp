// The form of a save's file name.
#include "stubs/site/SiteNames.h"

namespace pravix::stub {

std::string saveFileName(std::string_view name) {
  return std::string(name) + std::string(kSaveExtension);
}

std::optional<std::string> saveNameOf(std::string_view fileName) {
  if (fileName.size() <= kSaveExtension.size() ||
      fileName.substr(fileName.size() - kSaveExtension.size()) != kSaveExtension) {
    return std::nullopt;
  }
  return std::string(fileName.substr(0, fileName.size() - kSaveExtension.size()));
}

}  // namespace pravix::stub
