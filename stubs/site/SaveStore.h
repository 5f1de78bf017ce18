// Where a projector keeps its movie's local shared objects: one ".sol" file a shared object, each
// written whole or not at all, in a folder of the projector's own, each change in the order its
// page made it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

struct SaveLimits {
  uint64_t saveBytes = 16 * 1024 * 1024;   // one shared object
  uint64_t totalBytes = 64 * 1024 * 1024;  // all of a projector's
};

// The order of a change to a save: the number the store gave the page that made it (newPage),
// then that page's count of its changes. Of two changes to one save the later in this order is
// kept, whichever arrives last: a page sends the changes still waiting all at once as it closes,
// while an earlier one may still be on its way on another connection.
struct SaveOrder {
  uint64_t page = 0;
  uint64_t change = 0;

  bool operator<=(const SaveOrder& other) const {
    return page < other.page || (page == other.page && change <= other.change);
  }
  // "PAGE.CHANGE", two decimal numbers; nothing for anything else.
  static std::optional<SaveOrder> parse(std::string_view text);
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
  // A number for a page that reads the saves, above every number given before.
  uint64_t newPage() { return ++pages_; }

  enum class Outcome {
    Done,        // written, or removed
    BadName,     // not a plain file name
    TooLarge,    // beyond the limits
    Superseded,  // a later change to the save was kept already
  };
  // Keeps `bytes` as the save of shared object `name`, in place of any before it. FileError when
  // it cannot be written: the old save is then as it was.
  Outcome write(const std::string& name, std::string_view bytes, SaveOrder order);
  // Removes the save of `name`, where there is one. FileError when it stays.
  Outcome remove(const std::string& name, SaveOrder order);

 private:
  // Whether a change to `name` in `order` comes after every change to it kept so far.
  bool isLatest(const std::string& name, SaveOrder order) const;

  std::string folder_;
  SaveLimits limits_;
  uint64_t pages_ = 0;
  std::map<std::string, SaveOrder> kept_;  // the order of the last change kept, by name
};

}  // namespace pravix::stub
