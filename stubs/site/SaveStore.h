// Where a projector keeps its movie's local shared objects: one ".sol" file a shared object, each
// written whole or not at all, in a folder of the projector's own, each change in the order its
// page made it. The folder is read once; then the store's own changes keep what it knows of it,
// so that no request waits on the number of saves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

struct SaveLimits {
  uint64_t saveBytes = 16 * 1024 * 1024;   // one shared object
  uint64_t totalBytes = 64 * 1024 * 1024;  // all of a projector's
  size_t saves = 1000;                     // shared objects, of a projector
  size_t nameLength = kLongestSaveName;    // a shared object's name, in UTF-16 units

  // A file name holds 255 UTF-16 units, ".sol" included.
  static constexpr size_t kLongestSaveName = 251;
  // The limits for saves in `folder`, whose path leaves the rest of the 259 units a path holds
  // to the names.
  static SaveLimits forFolder(const std::string& folder);
};

// The length of UTF-8 `text` in UTF-16 units, as Windows counts a name's.
size_t utf16Length(std::string_view text);

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

  const SaveLimits& limits() const { return limits_; }
  // The saves as a JSON object, each name with its file's bytes in base64, in the order of the
  // names, a file that cannot be read left out: work for a thread beside the server, which reads
  // the files as they are then, and owns what it needs.
  std::function<std::string()> listing();
  // A number for a page that reads the saves, above every number given before.
  uint64_t newPage() { return ++pages_; }

  enum class Outcome {
    Done,        // written, or removed
    BadName,     // not a plain file name
    LongName,    // a name longer than the limit
    TooLarge,    // beyond the limits of size or number
    Superseded,  // a later change to the save was kept already
    CaseClash,   // another save's name differs from this one in case alone
  };
  // Keeps `bytes` as the save of shared object `name`, in place of any before it. FileError when
  // it cannot be written: the old save is then as it was.
  Outcome write(const std::string& name, std::string_view bytes, SaveOrder order);
  // Removes the save of `name`, where there is one. FileError when it stays.
  Outcome remove(const std::string& name, SaveOrder order);

 private:
  // The size of each save, by name, and their total: read from the folder the first time.
  struct Index {
    std::map<std::string, uint64_t> sizes;
    uint64_t total;
  };
  Index& index();
  // What refuses a change to `name` before the limits are looked at, if anything.
  std::optional<Outcome> refusal(const std::string& name, SaveOrder order);
  // Whether `name` is no save yet while the folder would take it for another's: the names differ
  // in case alone (the folder's rule for letters beyond ASCII is its own, so it is asked too).
  bool clashesInCase(const std::string& name);

  std::string folder_;
  SaveLimits limits_;
  uint64_t pages_ = 0;
  std::optional<Index> index_;
  std::map<std::string, SaveOrder> kept_;  // the order of the last change kept, by name
};

}  // namespace pravix::stub
