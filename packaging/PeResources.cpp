// The resource section of a PE image, read as a tree and written anew.
#include "packaging/PeResources.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "packaging/ByteOrder.h"

namespace pravix {
namespace {

constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint32_t kRelocationDirectory = 5;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kSubdirectory = 0x80000000;
// What a resource section may hold before it is taken for a trap: more resources than any
// program carries (a tree whose entries all point at one directory multiplies them).
constexpr size_t kMostResources = 65536;

struct Section {
  uint64_t header = 0;  // the offset of its header in the image
  uint32_t virtualSize = 0;
  uint32_t address = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t end() const { return address + std::max(virtualSize, rawSize); }
};

// The headers of a PE image: where each field that changes lies, and the sections.
struct Headers {
  uint64_t fileHeader = 0;
  uint64_t optionalHeader = 0;
  uint64_t directories = 0;  // the offset of the first data directory
  uint32_t directoryCount = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint64_t end = 0;  // of the section table
  std::vector<Section> sections;

  uint64_t directory(uint32_t index) const { return directories + 8 * index; }
};

uint32_t u32(const std::string& bytes, uint64_t at) {
  return littleEndian32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}
uint16_t u16(const std::string& bytes, uint64_t at) {
  return littleEndian16(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}
void put(std::string& bytes, uint64_t at, uint64_t value, size_t count) {
  putLittleEndian(reinterpret_cast<uint8_t*>(bytes.data()) + at, value, count);
}

// Exactly `count` bytes at `offset`, or PeFormatError.
std::string readExactly(const ReadAt& read, uint64_t size, uint64_t offset, uint64_t count,
                        const char* what) {
  if (offset > size || count > size - offset) throw PeFormatError(what);
  std::string bytes(count, '\0');
  if (read(offset, reinterpret_cast<uint8_t*>(bytes.data()), count) != count) {
    throw PeFormatError(what);
  }
  return bytes;
}

constexpr char kNotProgram[] = "is not a Windows program";

// The headers, read from the first bytes of the image (which `head` holds whole).
Headers parseHeaders(const ReadAt& read, uint64_t size, std::string& head) {
  head = readExactly(read, size, 0, 64, kNotProgram);
  if (head.compare(0, 2, "MZ") != 0) throw PeFormatError(kNotProgram);
  Headers headers;
  const uint32_t pe = u32(head, 0x3C);
  headers.fileHeader = uint64_t{pe} + 4;
  headers.optionalHeader = headers.fileHeader + 20;
  head = readExactly(read, size, 0, headers.optionalHeader, kNotProgram);
  if (head.compare(pe, 4, std::string("PE\0\0", 4)) != 0) throw PeFormatError(kNotProgram);
  const uint16_t sectionCount = u16(head, headers.fileHeader + 2);
  const uint16_t optionalSize = u16(head, headers.fileHeader + 16);
  const uint64_t sectionTable = headers.optionalHeader + optionalSize;
  head = readExactly(read, size, 0, sectionTable + uint64_t{sectionCount} * kSectionHeaderSize,
                     kNotProgram);
  headers.end = head.size();
  const uint16_t magic = optionalSize >= 2 ? u16(head, headers.optionalHeader) : 0;
  if (magic != 0x10B && magic != 0x20B) throw PeFormatError(kNotProgram);
  const uint64_t countField = headers.optionalHeader + (magic == 0x10B ? 92 : 108);
  if (countField + 4 > sectionTable) throw PeFormatError(kNotProgram);
  headers.directories = countField + 4;
  headers.directoryCount =
      std::min<uint64_t>(u32(head, countField), (sectionTable - headers.directories) / 8);
  headers.sectionAlignment = u32(head, headers.optionalHeader + 32);
  headers.fileAlignment = u32(head, headers.optionalHeader + 36);
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t at = sectionTable + uint64_t{i} * kSectionHeaderSize;
    headers.sections.push_back(
        {at, u32(head, at + 8), u32(head, at + 12), u32(head, at + 16), u32(head, at + 20)});
  }
  return headers;
}

// The section that holds the address, or nothing.
const Section* sectionAt(const Headers& headers, uint32_t address) {
  for (const Section& section : headers.sections) {
    if (address >= section.address && address < section.end()) return &section;
  }
  return nullptr;
}

constexpr char kDamaged[] = "has a damaged resource section";

// The tree of the resource section, read into a list.
class TreeReader {
 public:
  TreeReader(const ReadAt& read, uint64_t size, const Headers& headers, const std::string& head)
      : read_(read), size_(size), headers_(headers) {
    if (headers.directoryCount <= kResourceDirectory) return;
    const uint32_t address = u32(head, headers.directory(kResourceDirectory));
    if (address == 0) return;
    const Section* section = sectionAt(headers, address);
    if (section == nullptr || address - section->address >= section->rawSize) {
      throw PeFormatError(kDamaged);
    }
    base_ = address;
    // The tree lies in the section's bytes from its start on.
    tree_ = readExactly(read, size, uint64_t{section->rawOffset} + (address - section->address),
                        section->rawSize - (address - section->address), kDamaged);
    present_ = true;
  }

  std::vector<Resource> resources() {
    std::vector<Resource> found;
    if (!present_) return found;
    Resource resource;
    walk(0, 0, resource, found);
    return found;
  }

 private:
  // The directory at `offset`, `depth` levels down: its entries in their order.
  void walk(uint32_t offset, int depth, Resource& resource, std::vector<Resource>& found) {
    if (uint64_t{offset} + 16 > tree_.size()) throw PeFormatError(kDamaged);
    const uint32_t count = uint32_t{u16(tree_, offset + 12)} + u16(tree_, offset + 14);
    if (uint64_t{offset} + 16 + uint64_t{count} * 8 > tree_.size()) throw PeFormatError(kDamaged);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = uint64_t{offset} + 16 + uint64_t{i} * 8;
      const uint32_t nameField = u32(tree_, entry);
      const uint32_t target = u32(tree_, entry + 4);
      ResourceName name;
      if ((nameField & kSubdirectory) != 0) {
        name.name = nameAt(nameField & ~kSubdirectory);
      } else {
        name.id = static_cast<uint16_t>(nameField);
      }
      const bool subdirectory = (target & kSubdirectory) != 0;
      if (subdirectory != (depth < 2)) throw PeFormatError(kDamaged);
      if (depth == 0) resource.type = name;
      if (depth == 1) resource.name = name;
      if (subdirectory) {
        walk(target & ~kSubdirectory, depth + 1, resource, found);
        continue;
      }
      resource.language = name.id;
      if (found.size() == kMostResources) throw PeFormatError(kDamaged);
      found.push_back(withData(resource, target));
      // Leaves that share their data would multiply it: all of it fits in the image, once.
      dataRead_ += found.back().data.size();
      if (dataRead_ > size_) throw PeFormatError(kDamaged);
    }
  }

  std::u16string nameAt(uint32_t offset) const {
    if (uint64_t{offset} + 2 > tree_.size()) throw PeFormatError(kDamaged);
    const uint16_t length = u16(tree_, offset);
    if (uint64_t{offset} + 2 + 2 * uint64_t{length} > tree_.size()) throw PeFormatError(kDamaged);
    std::u16string name(length, u'\0');
    for (uint16_t i = 0; i < length; ++i) name[i] = u16(tree_, offset + 2 + 2 * uint64_t{i});
    return name;
  }

  // The resource with the data its leaf at `offset` points at.
  Resource withData(Resource resource, uint32_t offset) const {
    if (uint64_t{offset} + 16 > tree_.size()) throw PeFormatError(kDamaged);
    const uint32_t address = u32(tree_, offset);
    const uint32_t length = u32(tree_, offset + 4);
    resource.codePage = u32(tree_, offset + 8);
    // Most often the data lies in the tree's own section; it may lie in any.
    if (address >= base_ && uint64_t{address} - base_ + length <= tree_.size()) {
      resource.data = tree_.substr(address - base_, length);
      return resource;
    }
    const Section* section = sectionAt(headers_, address);
    if (section == nullptr || uint64_t{address} - section->address + length > section->rawSize) {
      throw PeFormatError(kDamaged);
    }
    resource.data = readExactly(
        read_, size_, uint64_t{section->rawOffset} + address - section->address, length, kDamaged);
    return resource;
  }

  const ReadAt& read_;
  uint64_t size_;
  const Headers& headers_;
  bool present_ = false;
  uint64_t dataRead_ = 0;
  uint32_t base_ = 0;
  std::string tree_;
};

bool nameBefore(const ResourceName& a, const ResourceName& b) {
  // Named entries come first, by name, then numbered ones, as Windows looks them up.
  if (a.name.empty() != b.name.empty()) return !a.name.empty();
  return a.name.empty() ? a.id < b.id : a.name < b.name;
}

bool resourceBefore(const Resource& a, const Resource& b) {
  if (nameBefore(a.type, b.type)) return true;
  if (nameBefore(b.type, a.type)) return false;
  if (nameBefore(a.name, b.name)) return true;
  if (nameBefore(b.name, a.name)) return false;
  return a.language < b.language;
}

uint64_t alignUp(uint64_t value, uint32_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

// A resource section for sorted `resources` that will lie at `address`: the directories first,
// then the leaves, the names and the data, each piece of data on a boundary of 8.
std::string sectionFor(const std::vector<Resource>& resources, uint32_t address) {
  // The tree as runs of the sorted list: each directory's entries are the distinct names in it.
  struct Directory {
    size_t first, last;  // the resources under it
    int depth;
  };
  const auto keyOf = [](const Resource& resource, int depth) -> const ResourceName* {
    return depth == 0 ? &resource.type : &resource.name;
  };
  std::vector<Directory> directories{{0, resources.size(), 0}};
  std::vector<std::vector<std::pair<size_t, size_t>>> entries;  // each directory's runs
  for (size_t d = 0; d < directories.size(); ++d) {
    const Directory directory = directories[d];
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = directory.first; i < directory.last;) {
      size_t j = i + 1;
      if (directory.depth < 2) {
        while (j < directory.last &&
               *keyOf(resources[j], directory.depth) == *keyOf(resources[i], directory.depth)) {
          ++j;
        }
        directories.push_back({i, j, directory.depth + 1});
      }
      runs.emplace_back(i, j);
      i = j;
    }
    entries.push_back(std::move(runs));
  }
  // Where each piece goes.
  std::vector<uint32_t> directoryOffset;
  uint32_t offset = 0;
  for (const auto& runs : entries) {
    directoryOffset.push_back(offset);
    offset += 16 + 8 * static_cast<uint32_t>(runs.size());
  }
  const uint32_t leaves = offset;
  offset += 16 * static_cast<uint32_t>(resources.size());
  std::map<std::u16string, uint32_t> nameOffsets;
  for (const Resource& resource : resources) {
    for (const ResourceName* name : {&resource.type, &resource.name}) {
      if (!name->name.empty() && nameOffsets.emplace(name->name, offset).second) {
        offset += 2 + 2 * static_cast<uint32_t>(name->name.size());
      }
    }
  }
  std::vector<uint32_t> dataOffset;
  for (const Resource& resource : resources) {
    offset = static_cast<uint32_t>(alignUp(offset, 8));
    dataOffset.push_back(offset);
    offset += static_cast<uint32_t>(resource.data.size());
  }
  std::string section(offset, '\0');

  size_t nextDirectory = 1;
  for (size_t d = 0; d < directories.size(); ++d) {
    const uint32_t at = directoryOffset[d];
    const int depth = directories[d].depth;
    uint16_t named = 0;
    for (const auto& run : entries[d]) {
      const ResourceName& name = depth == 2 ? ResourceName{resources[run.first].language, {}}
                                            : *keyOf(resources[run.first], depth);
      if (!name.name.empty()) ++named;
      const uint32_t entry = at + 16 + 8 * static_cast<uint32_t>(&run - entries[d].data());
      put(section, entry, name.name.empty() ? name.id : (nameOffsets[name.name] | kSubdirectory),
          4);
      put(section, entry + 4,
          depth < 2 ? (directoryOffset[nextDirectory++] | kSubdirectory)
                    : leaves + 16 * static_cast<uint32_t>(run.first),
          4);
    }
    put(section, at + 12, named, 2);
    put(section, at + 14, entries[d].size() - named, 2);
  }
  for (size_t i = 0; i < resources.size(); ++i) {
    const uint32_t leaf = leaves + 16 * static_cast<uint32_t>(i);
    put(section, leaf, address + dataOffset[i], 4);
    put(section, leaf + 4, resources[i].data.size(), 4);
    put(section, leaf + 8, resources[i].codePage, 4);
    section.replace(dataOffset[i], resources[i].data.size(), resources[i].data);
  }
  for (const auto& [name, at] : nameOffsets) {
    put(section, at, name.size(), 2);
    for (size_t i = 0; i < name.size(); ++i) put(section, at + 2 + 2 * i, name[i], 2);
  }
  return section;
}

// The checksum Windows checks drivers by: the image's 16-bit words summed with their carries,
// the checksum field itself left out, plus the image's length.
uint32_t checksumOf(const std::string& image, uint64_t field) {
  uint64_t sum = 0;
  for (uint64_t at = 0; at < image.size(); at += 2) {
    if (at == field || at == field + 2) continue;
    uint32_t word = static_cast<uint8_t>(image[at]);
    if (at + 1 < image.size()) word |= uint32_t{static_cast<uint8_t>(image[at + 1])} << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

ReadAt readerOfBytes(std::string_view bytes) {
  return [bytes](uint64_t offset, uint8_t* out, size_t count) -> size_t {
    if (offset >= bytes.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, bytes.size() - offset));
    std::copy_n(bytes.data() + offset, n, out);
    return n;
  };
}

}  // namespace

std::vector<Resource> readResources(const ReadAt& read, uint64_t size) {
  std::string head;
  const Headers headers = parseHeaders(read, size, head);
  return TreeReader(read, size, headers, head).resources();
}

std::vector<Resource> readResources(std::string_view image) {
  return readResources(readerOfBytes(image), image.size());
}

std::string withResources(std::string_view image, std::vector<Resource> resources) {
  std::string head;
  const ReadAt read = readerOfBytes(image);
  const Headers headers = parseHeaders(read, image.size(), head);
  if (headers.directoryCount <= kResourceDirectory) {
    throw PeFormatError("has no place for resources");
  }
  if (headers.directoryCount > kSecurityDirectory &&
      u32(head, headers.directory(kSecurityDirectory) + 4) != 0) {
    throw PeFormatError("is signed: its signature would not hold new resources");
  }
  const uint32_t address = u32(head, headers.directory(kResourceDirectory));
  const Section* found = sectionAt(headers, address);
  if (found == nullptr || found->address != address) {
    throw PeFormatError("has no resource section of its own");
  }
  const Section rsrc = *found;
  // The alignments the format allows: powers of two, the file's from 512 to 64 KiB, the memory's
  // no smaller.
  const auto powerOfTwo = [](uint32_t n) { return n != 0 && (n & (n - 1)) == 0; };
  if (rsrc.rawOffset < headers.end || !powerOfTwo(headers.fileAlignment) ||
      headers.fileAlignment < 512 || headers.fileAlignment > 65536 ||
      !powerOfTwo(headers.sectionAlignment) || headers.sectionAlignment < headers.fileAlignment) {
    throw PeFormatError(kDamaged);
  }
  const size_t index = static_cast<size_t>(found - headers.sections.data());
  // The sections stand in the order of their addresses, as the loader wants them, and those
  // before the resources keep their bytes before them in the file.
  for (size_t i = 0; i < headers.sections.size(); ++i) {
    const Section& section = headers.sections[i];
    if ((i > 0 && section.address <= headers.sections[i - 1].address) ||
        (i < index && section.rawSize != 0 &&
         uint64_t{section.rawOffset} + section.rawSize > rsrc.rawOffset)) {
      throw PeFormatError(kDamaged);
    }
  }
  // Only the base relocations may follow, in file order too.
  const uint32_t relocations = headers.directoryCount > kRelocationDirectory
                                   ? u32(head, headers.directory(kRelocationDirectory))
                                   : 0;
  for (size_t i = index + 1; i < headers.sections.size(); ++i) {
    const Section& section = headers.sections[i];
    if ((section.rawSize != 0 && section.rawOffset < rsrc.rawOffset) || relocations == 0 ||
        sectionAt(headers, relocations) != &section) {
      throw PeFormatError("cannot take new resources: sections other than relocations follow them");
    }
  }
  for (uint32_t d = 0; d < headers.directoryCount; ++d) {
    const uint32_t at = u32(head, headers.directory(d));
    if (d != kResourceDirectory && d != kSecurityDirectory && d != kRelocationDirectory &&
        u32(head, headers.directory(d) + 4) != 0 && at >= rsrc.end()) {
      throw PeFormatError("cannot take new resources: data after them would move");
    }
  }

  std::sort(resources.begin(), resources.end(), resourceBefore);
  std::string section = sectionFor(resources, rsrc.address);
  const uint64_t used = section.size();
  const uint64_t rawSize = alignUp(used, headers.fileAlignment);
  // The old section's place in the file runs to its alignment, where the next one may start,
  // though its size may not say so.
  const uint64_t oldEnd = std::min<uint64_t>(
      alignUp(uint64_t{rsrc.rawOffset} + rsrc.rawSize, headers.fileAlignment), image.size());
  if (uint64_t{rsrc.rawOffset} + rsrc.rawSize > image.size() || rawSize > UINT32_MAX / 2) {
    throw PeFormatError(kDamaged);
  }
  section.resize(rawSize, '\0');
  std::string result;
  result.reserve(rsrc.rawOffset + section.size() + (image.size() - oldEnd));
  result.append(image.substr(0, rsrc.rawOffset)).append(section).append(image.substr(oldEnd));
  const int64_t rawShift =
      static_cast<int64_t>(rawSize) - static_cast<int64_t>(oldEnd - rsrc.rawOffset);
  const int64_t addressShift =
      static_cast<int64_t>(alignUp(used, headers.sectionAlignment)) -
      static_cast<int64_t>(
          alignUp(std::max(rsrc.virtualSize, rsrc.rawSize), headers.sectionAlignment));

  put(result, rsrc.header + 8, used, 4);
  put(result, rsrc.header + 16, rawSize, 4);
  uint64_t imageEnd = rsrc.address + alignUp(used, headers.sectionAlignment);
  for (size_t i = index + 1; i < headers.sections.size(); ++i) {
    const Section& moved = headers.sections[i];
    put(result, moved.header + 12, moved.address + addressShift, 4);
    if (moved.rawSize != 0) put(result, moved.header + 20, moved.rawOffset + rawShift, 4);
    imageEnd = alignUp(moved.end() + addressShift, headers.sectionAlignment);
  }
  if (relocations != 0 && relocations >= rsrc.end()) {
    put(result, headers.directory(kRelocationDirectory), relocations + addressShift, 4);
  }
  put(result, headers.directory(kResourceDirectory) + 4, used, 4);
  const uint64_t symbols = u32(head, headers.fileHeader + 8);
  if (symbols >= oldEnd) put(result, headers.fileHeader + 8, symbols + rawShift, 4);
  const uint64_t optional = headers.optionalHeader;
  put(result, optional + 56, imageEnd, 4);
  put(result, optional + 8, u32(head, optional + 8) + rawShift, 4);  // initialised data
  if (u32(head, optional + 64) != 0)
    put(result, optional + 64, checksumOf(result, optional + 64), 4);
  return result;
}

}  // namespace pravix
