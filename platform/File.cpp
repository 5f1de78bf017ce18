// The parts of the file layer that do not depend on the platform.
#include "platform/File.h"

#include <algorithm>
#include <chrono>

#include "platform/Path.h"
#include "platform/Signals.h"
#include "platform/System.h"

namespace pravix {
namespace {

// A reason as the first words of a message, for a person: "The title is ...".
std::string sentence(std::string reason) {
  if (!reason.empty() && reason[0] >= 'a' && reason[0] <= 'z')
    reason[0] = static_cast<char>(reason[0] - 'a' + 'A');
  return reason;
}

// Eight hex digits for a fresh name: short, so that the name fits wherever its folder's names fit,
// and different from run to run and from try to try.
std::string uniqueDigits(unsigned attempt) {
  static const auto start =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                            std::chrono::system_clock::now().time_since_epoch().count());
  uint64_t value = (start + attempt) * 0x9E3779B97F4A7C15ull;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  for (int i = 0; i < 8; ++i, value >>= 4) digits += kDigits[value & 0xF];
  return digits;
}

}  // namespace

std::string quotedName(const std::string& path) {
  const std::string full = fullPathName(path);
  return "\"" + (full.rfind("\\\\.\\", 0) == 0 ? path : full) + "\"";
}

FileOpenError::FileOpenError(const std::string& path, const std::string& reason)
    : FileError("Cannot open file " + quotedName(path) + ". " + reason, path, reason) {}

FileCreateError::FileCreateError(const std::string& path, const std::string& reason)
    : FileError("Cannot create file " + quotedName(path) + ". " + reason, path, reason) {}

FileCreateError::FileCreateError(const std::string& path, int code)
    : FileCreateError(path, systemErrorText(code)) {
  accessDenied_ = isAccessDenied(code);
}

FileCreateError::FileCreateError(const std::string& path, const FileCreateError& cause)
    : FileCreateError(path, cause.reason()) {
  accessDenied_ = cause.accessDenied_;
}

FileRefusedError::FileRefusedError(const std::string& path, const std::string& reason)
    : FileError(quotedName(path) + " " + reason, path, reason) {}

FileFormatError::FileFormatError(const std::string& path, const std::string& reason)
    : FileError(path.empty() ? sentence(reason) : quotedName(path) + " " + reason, path, reason) {}

CreatedFile File::createUnique(const std::string& folder, const std::string& stem,
                               const std::string& extension) {
  // A hundred taken names in a row means something other than chance is at work.
  for (unsigned attempt = 0;; ++attempt) {
    std::string path = folder + stem + uniqueDigits(attempt) + extension;
    std::optional<File> file = createNew(path);
    if (file) return CreatedFile{std::move(*file), std::move(path)};
    if (attempt == 100) throw FileCreateError(path, "Every name tried is taken");
  }
}

void Copier::copy(const File& from, uint64_t offset, uint64_t count, File& to) {
  while (count > 0) {
    const uint64_t part = std::min(count, kProgressStep);
    const uint64_t copied = from.copyInSystem(offset, to, part);
    copyThroughBuffer(from, offset + copied, part - copied, to);
    offset += part;
    count -= part;
    done_ += part;
    if (progress_) progress_(done_, total_);
  }
}

uint64_t Copier::copyStream(File& from, File& to, uint64_t most) {
  if (buffer_.size() < kStreamBufferSize) buffer_.resize(kStreamBufferSize);
  uint64_t copied = 0;
  // One byte past `most` is enough to tell that the stream is too long.
  while (copied <= most) {
    const size_t got = from.readSome(
        buffer_.data(), static_cast<size_t>(std::min<uint64_t>(most - copied + 1, buffer_.size())));
    if (got == 0) break;
    to.writeExactly(buffer_.data(), got);
    copied += got;
    done_ += got;
    if (progress_) progress_(done_, total_);
  }
  return copied;
}

void Copier::copyThroughBuffer(const File& from, uint64_t offset, uint64_t count, File& to) {
  const auto wanted = static_cast<size_t>(std::min<uint64_t>(count, kBufferSize));
  if (buffer_.size() < wanted) buffer_.resize(wanted);
  while (count > 0) {
    const auto part = static_cast<size_t>(std::min<uint64_t>(count, buffer_.size()));
    from.readAt(offset, buffer_.data(), part);
    to.writeExactly(buffer_.data(), part);
    offset += part;
    count -= part;
  }
}

std::string containingFolder(const std::string& path) {
  return fileDirectory(fullPathName(path));
}

ReplacementFile::ReplacementFile(std::string target, FileRules rules, Existing existing)
    : target_(std::move(target)), rules_(rules), existing_(existing) {
  checkReplaceable(target_, rules_, existing_);
  try {
    const SignalsHeld held;
    CreatedFile created = File::createUnique(containingFolder(target_), "~pravix", ".tmp");
    temporary_ = std::move(created.path);
    file_ = std::move(created.file);
    setUnfinishedFile(temporary_);
  } catch (const FileCreateError& error) {
    // The user knows the target, not the temporary name.
    throw FileCreateError(target_, error);
  }
  // Its reads and writes fail under the target's name for the same reason.
  file_->name_ = target_;
}

ReplacementFile::~ReplacementFile() {
  if (file_) discard();
}

void ReplacementFile::discard() noexcept {
  file_.reset();
  const SignalsHeld held;
  removeFile(temporary_);
  clearUnfinishedFile();
}

void ReplacementFile::commit() {
  try {
    if (fileSize(target_)) file_->flush();
    file_.reset();
    const SignalsHeld held;
    replaceFile(temporary_, target_, rules_, existing_);
    clearUnfinishedFile();
  } catch (...) {
    discard();
    throw;
  }
}

std::vector<FolderFile> filesIn(const std::string& folder) {
  try {
    return folderContents(folder).files;
  } catch (const FileOpenError&) {
    return {};
  }
}

}  // namespace pravix
