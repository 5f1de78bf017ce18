// The packed files' table, read once when the show starts; each file read from the package as it
// is sent.
#include "stubs/site/PackedFolder.h"

#include <utility>

#include "packaging/Reading.h"
#include "platform/Text.h"

namespace pravix::stub {
PackedFolder::PackedFolder(const File& package, uint64_t movieOffset) : package_(package) {
  PackedFiles packed;
  try {
    packed = readPackedFiles(readerOf(package, package.size()), movieOffset);
  } catch (const FileError& error) {
    problem_ = "The files inside the program cannot be read: " + error.reason();
    return;
  }
  if (packed.status == PackedFiles::Status::Damaged) {
    problem_ = "The files inside the program are left out: " + packed.reason + ".";
    return;
  }
  for (PackedFile& file : packed.files) {
    std::string key = asciiLowerCase(file.name);
    files_.emplace(std::move(key), std::move(file));
  }
}

std::unique_ptr<Body> PackedFolder::open(const std::string& path) const {
  const auto found = files_.find(asciiLowerCase(path));
  if (found == files_.end()) return nullptr;
  return std::make_unique<PartOfFileBody>(package_, found->second.offset, found->second.size);
}

}  // namespace pravix::stub
