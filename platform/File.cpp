// The parts of the file layer that do not depend on the platform.
#include "platform/File.h"

#include <chrono>

#include "platform/Path.h"
#include "platform/System.h"

namespace pravix {
namespace {

// A name for a replacement beside its target: short, so that it fits wherever the target fits,
// and different from run to run, so that a leftover of a killed run is never reused.
std::string temporaryName(unsigned attempt) {
  static const auto start =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                            std::chrono::system_clock::now().time_since_epoch().count());
  uint64_t value = (start + attempt) * 0x9E3779B97F4A7C15ull;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name = "~pravix";
  for (int i = 0; i < 8; ++i, value >>= 4) name += kDigits[value & 0xF];
  return name + ".tmp";
}

}  // namespace

FileOpenError::FileOpenError(const std::string& path, const std::string& reason)
    : FileError("Cannot open file \"" + path + "\". " + reason) {}

FileCreateError::FileCreateError(const std::string& path, const std::string& reason)
    : FileError("Cannot create file \"" + path + "\". " + reason) {}

void File::readExactly(void* buffer, size_t count) {
  read(buffer, count, std::nullopt);
}

void File::readAt(uint64_t offset, void* buffer, size_t count) const {
  read(buffer, count, offset);
}

ReplacementFile::ReplacementFile(std::string target) : target_(std::move(target)) {
  checkReplaceable(target_);
  const std::string folder = fileDirectory(target_);
  for (unsigned attempt = 0;; ++attempt) {
    temporary_ = folder + temporaryName(attempt);
    int error = 0;
    file_ = File::createNew(temporary_, error);
    if (file_) return;
    if (!File::nameTaken(error) || attempt == 100) {
      throw FileCreateError(fullPathName(target_), systemErrorText(error));
    }
  }
}

ReplacementFile::~ReplacementFile() {
  if (!file_) return;
  file_.reset();
  removeFile(temporary_);
}

void ReplacementFile::commit() {
  file_.reset();
  try {
    replaceFile(temporary_, target_);
  } catch (...) {
    removeFile(temporary_);
    throw;
  }
}

}  // namespace pravix
