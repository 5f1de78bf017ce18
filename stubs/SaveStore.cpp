// The saves of a projector: plain names only, limits checked before anything is written, and each
// file replaced in one step.
#include "stubs/SaveStore.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "platform/File.h"
#include "platform/Path.h"
#include "stubs/RequestPath.h"

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

// A plain name as a JSON string: only quotes and backslashes could need escaping, and plain names
// hold neither, nor control characters.
std::string jsonString(const std::string& text) {
  return "\"" + text + "\"";
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
    const std::string_view extension(kSaveExtension);
    if (file.size() <= extension.size() ||
        file.compare(file.size() - extension.size(), extension.size(), extension) != 0) {
      continue;
    }
    const std::string name = file.substr(0, file.size() - extension.size());
    if (!isPlainName(name)) continue;
    try {
      saves.emplace(name, readWhole(folder_ + file));
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

SaveStore::Outcome SaveStore::write(const std::string& name, std::string_view bytes) {
  if (!isPlainName(name)) return Outcome::BadName;
  if (bytes.size() > limits_.saveBytes) return Outcome::TooLarge;
  uint64_t others = 0;
  for (const std::string& file : filesIn(folder_)) {
    if (file != name + kSaveExtension) others += fileSize(folder_ + file).value_or(0);
  }
  if (others + bytes.size() > limits_.totalBytes) return Outcome::TooLarge;
  makeFolders(folder_);
  ReplacementFile save(pathOf(name));
  save.file().writeExactly(bytes.data(), bytes.size());
  save.commit();
  return Outcome::Written;
}

bool SaveStore::remove(const std::string& name) {
  if (!isPlainName(name)) return false;
  removeFile(pathOf(name));
  return true;
}

}  // namespace pravix::stub
