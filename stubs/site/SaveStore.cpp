// The saves of a projector: plain names only, limits checked before anything is written, each
// file replaced in one step, no change kept after a later one, and no two names in one file.
#include "stubs/site/SaveStore.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "stubs/http/HttpRequest.h"
#include "stubs/site/SiteNames.h"

namespace pravix::stub {
namespace {

std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      text += k <= count ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return text;
}

std::string readWhole(const std::string& path) {
  const File file(path, FileMode::ReadShared);
  std::string bytes(static_cast<size_t>(file.size()), '\0');
  file.readAt(0, bytes.data(), bytes.size());
  return bytes;
}

}  // namespace

std::string saveFolderOf(const std::string& root, const std::string& projectorPath) {
  // FNV-1a of the full path, its letters folded as Windows folds them in names (ASCII at least).
  uint32_t hash = 2166136261u;
  for (char c : projectorPath) {
    hash = (hash ^ static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)))) *
           16777619u;
  }
  const std::string name = fileName(projectorPath);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(hash));
  return root + name.substr(0, name.size() - fileExtension(name).size()) + "-" + digits +
         hostPathRules().separators.front();
}

SaveLimits SaveLimits::forFolder(const std::string& folder) {
  constexpr size_t kLongestPath = 259;
  SaveLimits limits;
  const size_t taken = utf16Length(folder) + kSaveExtension.size();
  limits.nameLength = std::min(kLongestSaveName, kLongestPath - std::min(kLongestPath, taken));
  return limits;
}

size_t utf16Length(std::string_view text) {
  size_t units = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::max(utf8End(text, at), at + 1);
    // Four bytes of UTF-8 hold a character beyond the first 65,536: two units.
    units += end - at == 4 ? 2 : 1;
    at = end;
  }
  return units;
}

SaveStore::SaveStore(std::string folder, SaveLimits limits)
    : folder_(std::move(folder)), limits_(limits) {}

SaveStore::Index& SaveStore::index() {
  if (!index_) {
    index_ = Index{{}, 0};
    for (const FolderFile& file : filesIn(folder_)) {
      const std::optional<std::string> name = saveNameOf(file.name);
      if (!name || !isPlainName(*name)) continue;
      index_->sizes.emplace(*name, file.size);
      index_->total += file.size;
    }
  }
  return *index_;
}

std::function<std::string()> SaveStore::listing() {
  std::vector<std::string> names;
  for (const auto& [name, size] : index().sizes) names.push_back(name);
  return [folder = folder_, names = std::move(names)] {
    std::string json = "{";
    for (const std::string& name : names) {
      try {
        const std::string bytes = readWhole(folder + saveFileName(name));
        if (json.size() > 1) json += ",";
        json += jsonString(name) + ":" + jsonString(base64(bytes));
      } catch (const FileError&) {
        // A save that cannot be read now is as if there were none: the movie starts afresh.
      }
    }
    return json + "}";
  };
}

bool SaveStore::clashesInCase(const std::string& name) {
  const Index& saves = index();
  if (saves.sizes.count(name) != 0) return false;
  const std::string mine = asciiLowerCase(name);
  for (const auto& [other, size] : saves.sizes) {
    if (asciiLowerCase(other) == mine) return true;
  }
  return fileSize(folder_ + saveFileName(name)).has_value();
}

std::optional<SaveStore::Outcome> SaveStore::refusal(const std::string& name, SaveOrder order) {
  if (!isPlainName(name)) return Outcome::BadName;
  if (utf16Length(name) > limits_.nameLength) return Outcome::LongName;
  const auto kept = kept_.find(name);
  if (kept != kept_.end() && order <= kept->second) return Outcome::Superseded;
  if (clashesInCase(name)) return Outcome::CaseClash;
  return std::nullopt;
}

SaveStore::Outcome SaveStore::write(const std::string& name, std::string_view bytes,
                                    SaveOrder order) {
  if (const std::optional<Outcome> refused = refusal(name, order)) return *refused;
  Index& saves = index();
  const auto old = saves.sizes.find(name);
  const uint64_t replaced = old != saves.sizes.end() ? old->second : 0;
  if (bytes.size() > limits_.saveBytes ||
      saves.total - replaced + bytes.size() > limits_.totalBytes ||
      (old == saves.sizes.end() && saves.sizes.size() >= limits_.saves)) {
    return Outcome::TooLarge;
  }
  makeFolders(folder_);
  ReplacementFile save(folder_ + saveFileName(name));
  save.file().writeExactly(bytes.data(), bytes.size());
  save.commit();
  saves.total = saves.total - replaced + bytes.size();
  saves.sizes[name] = bytes.size();
  kept_[name] = order;
  return Outcome::Done;
}

SaveStore::Outcome SaveStore::remove(const std::string& name, SaveOrder order) {
  if (const std::optional<Outcome> refused = refusal(name, order)) {
    // A name too long for a file is no save: nothing to remove.
    return *refused == Outcome::LongName ? Outcome::Done : *refused;
  }
  deleteFile(folder_ + saveFileName(name));
  Index& saves = index();
  const auto old = saves.sizes.find(name);
  if (old != saves.sizes.end()) {
    saves.total -= old->second;
    saves.sizes.erase(old);
  }
  kept_[name] = order;
  return Outcome::Done;
}

std::optional<SaveOrder> SaveOrder::parse(std::string_view text) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::optional<uint64_t> page = decimalNumber(text.substr(0, dot));
  const std::optional<uint64_t> change = decimalNumber(text.substr(dot + 1));
  if (!page || !change) return std::nullopt;
  return SaveOrder{*page, *change};
}

}  // namespace pravix::stub
