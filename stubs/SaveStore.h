// Where a projector keeps its movie's local shared objects: one ".sol" file a shared object, each
// written whole or not at all, in a folder of the projector's own. Needs only the file layer and
// is built on every host.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace pravix::stub {

// The extension of a save's file: NAME.sol, as the shared object NAME's.
constexpr const char* kSaveExtension = ".sol";

struct SaveLimits {
  uint64_t saveBytes = 16 * 1024 * 1024;   // one shared object
  uint64_t totalBytes = 64 * 1024 * 1024;  // all of a projector's
};

// The folder in `root` (with its trailing separator) that keeps the saves of the projector at
// `projectorPath`: its file name without the extension, a dash and eight hex digits of a hash of
// its full path, so that two projectors of one movie in two folders keep theirs apart.
std::string saveFolderOf(const std::string& root, const std::string& projectorPath);

class SaveStore {
 public:
  // The saves in `folder` (with its trailing separator), which is made with the first save.
  explicit SaveStore(std::string folder, SaveLimits limits = {});

  // Every save by its shared object's name, in the order of the names; a file that cannot be
  // read is left out.
  std::map<std::string, std::string> all() const;
  // The same as a JSON object: each name with its bytes in base64.
  std::string allAsJson() const;

  enum class Outcome { Written, BadName, TooLarge };
  // Keeps `bytes` as the save of shared object `name`, in place of any before it; BadName for a
  // name that is not a plain file name, TooLarge beyond the limits. FileError when it cannot be
  // written: the old save is then as it was.
  Outcome write(const std::string& name, std::string_view bytes);
  // Removes the save of `name`; false for a name that is not a plain file name.
  bool remove(const std::string& name);

 private:
  std::string pathOf(const std::string& name) const { return folder_ + name + kSaveExtension; }

  std::string folder_;
  SaveLimits limits_;
};

}  // namespace pravix::stub
