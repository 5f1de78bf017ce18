// Opening a file beside the projector: the path made of the page's plain names, then its real
// place checked against the folder's.
#include "stubs/site/FolderFiles.h"

#include "platform/Path.h"
#include "platform/Text.h"
#include "stubs/site/RequestPath.h"

namespace pravix::stub {

FolderFiles::FolderFiles(const File& anchor)
    : folder_(fileDirectory(anchor.name())), resolved_(fileDirectory(anchor.resolvedPath())) {}

namespace {

constexpr const char* kProgramFolder = "fscommand/";

}  // namespace

std::string FolderFiles::localPath(const std::string& path) const {
  std::string local = folder_ + path;
  const char separator = hostPathRules().separators.front();
  for (size_t at = folder_.size(); at < local.size(); ++at) {
    if (local[at] == '/') local[at] = separator;
  }
  return local;
}

std::optional<std::string> FolderFiles::program(const std::string& name,
                                                const LinkTarget& linkTarget) const {
  if (!isPlainName(name) || open(kProgramFolder + name) == nullptr) return std::nullopt;
  const std::string path = localPath(kProgramFolder + name);
  const std::string extension = asciiLowerCase(fileExtension(name));
  if (extension == ".url" || extension == ".pif") return std::nullopt;
  if (extension == ".lnk") {
    const std::optional<std::string> target = linkTarget(path);
    if (!target || !liesIn(*target, kProgramFolder)) return std::nullopt;
  }
  return path;
}

bool FolderFiles::liesIn(const std::string& path, const std::string& folder) const {
  try {
    const File file(path, FileMode::ReadShared);
    return isInsideFolder(file.resolvedPath(),
                          resolved_ + localPath(folder).substr(folder_.size()));
  } catch (const FileError&) {
    return false;
  }
}

std::unique_ptr<FileBody> FolderFiles::open(const std::string& path) const {
  const std::string local = localPath(path);
  try {
    File file(local, FileMode::ReadShared);
    // A link or a junction below the folder may lead anywhere: what it leads out to is not ours.
    if (!isInsideFolder(file.resolvedPath(), resolved_)) return nullptr;
    return std::make_unique<FileBody>(std::move(file));
  } catch (const FileError&) {
    return nullptr;
  }
}

}  // namespace pravix::stub
