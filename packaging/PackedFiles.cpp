// The packed files' table: written after their bytes, read back from the footer before the movie,
// every number checked against the bytes that are really there.
#include "packaging/PackedFiles.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "packaging/ByteOrder.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace pravix {
namespace {

constexpr size_t kEntryHead = 10;  // size, name's length

PackedFiles damaged(std::string reason) {
  PackedFiles damaged;
  damaged.status = PackedFiles::Status::Damaged;
  damaged.reason = std::move(reason);
  return damaged;
}

}  // namespace

bool isPackedName(std::string_view name) {
  if (name.empty() || name.size() > kLongestPackedName) return false;
  for (size_t start = 0;;) {
    const size_t slash = name.find('/', start);
    if (!isPlainName(name.substr(start, slash - start))) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

PackedFiles readPackedFiles(const ReadAt& read, uint64_t movieOffset) {
  if (movieOffset < kPackedFilesFooterSize) return {};
  uint8_t footer[kPackedFilesFooterSize];
  const uint64_t footerOffset = movieOffset - kPackedFilesFooterSize;
  if (read(footerOffset, footer, sizeof footer) != sizeof footer) {
    return damaged("its table of files cannot be read");
  }
  if (std::memcmp(footer, kPackedFilesMagic, 8) != 0) return {};
  const uint32_t count = littleEndian32(footer + 8);
  const uint32_t tableBytes = littleEndian32(footer + 12);
  const uint64_t dataBytes = littleEndian(footer + 16, 8);
  if (count > kMostPackedFiles ||
      tableBytes > uint64_t{count} * (kEntryHead + kLongestPackedName) ||
      tableBytes > footerOffset || dataBytes > footerOffset - tableBytes) {
    return damaged("its table of files names more than the file holds");
  }
  const uint64_t tableOffset = footerOffset - tableBytes;
  std::string table(tableBytes, '\0');
  if (read(tableOffset, reinterpret_cast<uint8_t*>(table.data()), tableBytes) != tableBytes) {
    return damaged("its table of files cannot be read");
  }
  PackedFiles packed;
  packed.status = PackedFiles::Status::Found;
  packed.bytes = dataBytes;
  uint64_t offset = tableOffset - dataBytes;
  // The names in lower case, and the folders they lie in: no name may be both.
  std::set<std::string> names, folders;
  const auto* bytes = reinterpret_cast<const uint8_t*>(table.data());
  size_t at = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (table.size() - at < kEntryHead) return damaged("its table of files is cut short");
    const uint64_t size = littleEndian(bytes + at, 8);
    const size_t length = littleEndian16(bytes + at + 8);
    at += kEntryHead;
    if (table.size() - at < length) return damaged("its table of files is cut short");
    std::string name = table.substr(at, length);
    at += length;
    if (!isPackedName(name)) return damaged("its table of files holds a name no file can have");
    const std::string key = asciiLowerCase(name);
    if (!names.insert(key).second) {
      return damaged("its table of files names \"" + name + "\" twice");
    }
    const auto fileAndFolder = [](const std::string& both) {
      return damaged("its table of files names \"" + both + "\" as a file and as a folder");
    };
    if (folders.count(key) != 0) return fileAndFolder(name);
    for (size_t slash = key.find('/'); slash != std::string::npos;
         slash = key.find('/', slash + 1)) {
      folders.insert(key.substr(0, slash));
      if (names.count(key.substr(0, slash)) != 0) return fileAndFolder(name.substr(0, slash));
    }
    if (size > tableOffset - offset) {
      return damaged("its table of files names more than the file holds");
    }
    packed.files.push_back({std::move(name), offset, size});
    offset += size;
  }
  if (at != table.size() || offset != tableOffset) {
    return damaged("its table of files does not add up");
  }
  return packed;
}

std::string packedFilesEnd(const std::vector<PackedEntry>& entries) {
  std::string end;
  uint64_t dataBytes = 0;
  uint8_t number[8];
  for (const PackedEntry& entry : entries) {
    putLittleEndian(number, entry.size, 8);
    end.append(reinterpret_cast<const char*>(number), 8);
    putLittleEndian(number, entry.name.size(), 2);
    end.append(reinterpret_cast<const char*>(number), 2);
    end += entry.name;
    dataBytes += entry.size;
  }
  const size_t tableBytes = end.size();
  end.append(kPackedFilesMagic, 8);
  putLittleEndian(number, entries.size(), 4);
  end.append(reinterpret_cast<const char*>(number), 4);
  putLittleEndian(number, tableBytes, 4);
  end.append(reinterpret_cast<const char*>(number), 4);
  putLittleEndian(number, dataBytes, 8);
  end.append(reinterpret_cast<const char*>(number), 8);
  return end;
}

std::vector<FileToPack> filesToPack(const std::string& folder,
                                    const std::vector<std::string>& leaveOut, FileRules rules) {
  const char separator = hostPathRules().separators.front();
  const std::string root = resolvedFolder(folder);
  std::vector<FileToPack> files;
  // The real folders from the packed one down to the one being walked: a link back to one of them
  // would never end.
  std::set<std::string> chain;
  // `path`: a folder below `folder` with its separator, really at `real`; `prefix`: its name in
  // the package.
  const std::function<void(const std::string&, const std::string&, const std::string&)> walk =
      [&](const std::string& path, const std::string& real, const std::string& prefix) {
        chain.insert(real);
        FolderContents contents = folderContents(path);
        std::sort(contents.files.begin(), contents.files.end(),
                  [](const FolderFile& a, const FolderFile& b) { return a.name < b.name; });
        std::sort(contents.folders.begin(), contents.folders.end());
        for (const FolderFile& found : contents.files) {
          const std::string name = prefix + found.name;
          // A link that leads out of the folder is not followed.
          const std::string place = resolvedPathOf(path + found.name);
          if (!isInsideFolder(place, root) ||
              std::find(leaveOut.begin(), leaveOut.end(), place) != leaveOut.end()) {
            continue;
          }
          if (!isPackedName(name)) {
            throw FileOpenError(path + found.name,
                                "has a name a package cannot carry: a path of at most 1,024 "
                                "bytes of names that Windows takes as plain file names");
          }
          if (files.size() == kMostPackedFiles) {
            throw FileOpenError(folder,
                                "holds more than 65,535 files, which a package cannot "
                                "carry");
          }
          // The size of what a link leads to, which the folder's listing does not give on Win32;
          // and a file that cannot be read is told before anything is written.
          files.push_back({name, path + found.name,
                           File(path + found.name, FileMode::ReadShared, rules).size()});
        }
        for (const std::string& name : contents.folders) {
          const std::string below = path + name + separator;
          const std::string realBelow = resolvedFolder(below);
          if (!isInsideFolder(realBelow, root) || chain.count(realBelow) != 0) continue;
          walk(below, realBelow, prefix + name + "/");
        }
        chain.erase(real);
      };
  walk(folder.back() == separator ? folder : folder + separator, root, "");
  return files;
}

void writePackedFiles(const std::vector<FileToPack>& files, const std::string& folder,
                      FileRules rules, Copier& copier, File& out) {
  const std::string root = resolvedFolder(folder);
  std::vector<PackedEntry> entries;
  for (const FileToPack& each : files) {
    const File file(each.path, FileMode::ReadShared, rules);
    if (file.size() != each.size) throw StreamReadError(each.path, "changed while it was packed");
    // A file swapped for a link to another place since it was found is not followed either.
    if (!isInsideFolder(file.resolvedPath(), root)) {
      throw StreamReadError(each.path, "changed while it was packed");
    }
    copier.copy(file, 0, each.size, out);
    if (file.size() != each.size) throw StreamReadError(each.path, "changed while it was packed");
    entries.push_back({each.name, each.size});
  }
  const std::string end = packedFilesEnd(entries);
  out.writeExactly(end.data(), end.size());
}

}  // namespace pravix
