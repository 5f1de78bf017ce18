// The saves of a projector: plain names only, limits checked before anything is written, each
// file replaced in one step, and no change kept after a later one.
#include "stubs/site/SaveStore.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <utility>

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

SaveStore::SaveStore(std::string folder, SaveLimits limits)
    : folder_(std::move(folder)), limits_(limits) {}

std::map<std::string, std::string> SaveStore::all() const {
  std::map<std::string, std::string> saves;
  for (const std::string& file : filesIn(folder_)) {
    const std::optional<std::string> name = saveNameOf(file);
    if (!name || !isPlainName(*name)) continue;
    try {
      saves.emplace(*name, readWhole(folder_ + file));
    } catch (const FileError&) {
      // A save that cannot be read now is as if there were none: the movie starts afresh.
    }
  }
  return saves;
}

std::string SaveStore::allAsJson() const {
  std::string json = "{";
  for (const auto& [name, bytes] : all()) {
    if (json.size() > 1) json += ",";
    json += jsonString(name) + ":" + jsonString(base64(bytes));
  }
  return json + "}";
}

bool SaveStore::isLatest(const std::string& name, SaveOrder order) const {
  const auto kept = kept_.find(name);
  return kept == kept_.end() || !(order <= kept->second);
}

SaveStore::Outcome SaveStore::write(const std::string& name, std::string_view bytes,
                                    SaveOrder order) {
  if (!isPlainName(name)) return Outcome::BadName;
  if (!isLatest(name, order)) return Outcome::Superseded;
  if (bytes.size() > limits_.saveBytes) return Outcome::TooLarge;
  const std::string fileName = saveFileName(name);
  uint64_t others = 0;
  for (const std::string& file : filesIn(folder_)) {
    if (file != fileName) others += fileSize(folder_ + file).value_or(0);
  }
  if (others + bytes.size() > limits_.totalBytes) return Outcome::TooLarge;
  makeFolders(folder_);
  ReplacementFile save(folder_ + fileName);
  save.file().writeExactly(bytes.data(), bytes.size());
  save.commit();
  kept_[name] = order;
  return Outcome::Done;
}

SaveStore::Outcome SaveStore::remove(const std::string& name, SaveOrder order) {
  if (!isPlainName(name)) return Outcome::BadName;
  if (!isLatest(name, order)) return Outcome::Superseded;
  deleteFile(folder_ + saveFileName(name));
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
