// Recognising each layout: fixed fields read at their offsets, every offset and length held
// against the file's size in 64 bits before anything is read there.
#include "packaging/Layouts.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "packaging/ByteOrder.h"
#include "packaging/MovieHeader.h"
#include "packaging/PackageFormat.h"

namespace pravix {
namespace {

// The 64-bit projector's marker: 0xFA123456 sign-extended.
constexpr uint64_t kProjectorMarker64 = 0xFFFFFFFFFA123456ull;
constexpr uint32_t kZipEndRecord = 0x06054b50;
constexpr uint32_t kZipDirectoryEntry = 0x02014b50;
constexpr uint32_t kZipLocalHeader = 0x04034b50;
constexpr size_t kZipEndRecordSize = 22;
constexpr size_t kZipDirectoryEntrySize = 46;
constexpr size_t kZipLocalHeaderSize = 30;
constexpr char kAppMovie[] = "/Contents/Resources/movie.swf";

// Each layout's names, in the order of Layout.
struct LayoutNames {
  const char* text;
  const char* id;
};
constexpr LayoutNames kLayoutNames[] = {
    {"projector", "projector"},
    {"screen saver", "screen_saver"},
    {"Linux i386 projector", "linux_i386_projector"},
    {"Linux x86-64 projector", "linux_x86_64_projector"},
    {"classic Mac projector", "classic_mac_projector"},
    {"macOS projector (zip)", "macos_projector_zip"},
    {"macOS projector (folder)", "macos_projector_folder"},
};
static_assert(std::size(kLayoutNames) == static_cast<size_t>(Layout::MacAppFolder) + 1);

// A file's bytes, read only where they lie inside it.
class FileView {
 public:
  FileView(uint64_t size, const ReadAt& read) : size_(size), read_(read) {}
  uint64_t size() const { return size_; }
  const ReadAt& reader() const { return read_; }
  bool inside(uint64_t offset, uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  bool get(uint64_t offset, uint8_t* bytes, size_t count) const {
    return inside(offset, count) && read_(offset, bytes, count) == count;
  }

 private:
  uint64_t size_;
  const ReadAt& read_;
};

MovieLocation found(Layout layout, uint64_t offset, uint64_t length) {
  MovieLocation movie;
  movie.status = MovieLocation::Status::Found;
  movie.layout = layout;
  movie.offset = offset;
  movie.length = length;
  movie.size = length;
  return movie;
}

MovieLocation damaged(Layout layout, const char* reason) {
  MovieLocation movie;
  movie.status = MovieLocation::Status::Damaged;
  movie.layout = layout;
  movie.reason = reason;
  return movie;
}

constexpr char kTooLong[] = "it names a movie longer than the file";

// Where each field of an ELF file lies, in its 32-bit and its 64-bit form.
struct ElfForm {
  size_t word;  // the size of an address or an offset
  size_t headerSize, programHeadersAt, sectionHeadersAt, headerSizeAt, programEntrySizeAt,
      programCountAt, sectionEntrySizeAt, sectionCountAt;
  size_t programEntrySize, segmentOffsetAt, segmentSizeAt;
  size_t sectionEntrySize, sectionTypeAt, sectionOffsetAt, sectionSizeAt;
};
constexpr ElfForm kElf32{4, 52, 28, 32, 40, 42, 44, 46, 48, 32, 4, 16, 40, 4, 16, 20};
constexpr ElfForm kElf64{8, 64, 32, 40, 52, 54, 56, 58, 60, 56, 8, 32, 64, 4, 24, 32};
constexpr uint64_t kSectionWithoutBytes = 8;  // SHT_NOBITS
constexpr uint8_t kElfMagic[] = {0x7F, 'E', 'L', 'F'};

struct ElfImage {
  const ElfForm* form;
  uint64_t end;
};

// A little-endian ELF file's image: its form, and where it ends, which is the furthest of its
// header, its two header tables, its segments and the sections that take room in the file.
// Nothing when the file is no such ELF file, or its tables reach past the file's end.
std::optional<ElfImage> readElf(const FileView& file) {
  uint8_t header[64] = {};
  if (!file.get(0, header, kElf32.headerSize) ||
      std::memcmp(header, kElfMagic, sizeof kElfMagic) != 0 || header[5] != 1) {
    return std::nullopt;
  }
  if (header[4] != 1 && header[4] != 2) return std::nullopt;
  const ElfForm& form = header[4] == 2 ? kElf64 : kElf32;
  if (!file.get(0, header, form.headerSize)) return std::nullopt;
  const auto word = [&form](const uint8_t* at) { return littleEndian(at, form.word); };
  uint64_t end = std::max<uint64_t>(form.headerSize, littleEndian(header + form.headerSizeAt, 2));
  const auto reach = [&file, &end](uint64_t offset, uint64_t length) {
    if (!file.inside(offset, length)) return false;
    end = std::max(end, offset + length);
    return true;
  };
  // A table of `count` entries of `entrySize` bytes at `offset`, each passed to `read`.
  uint8_t entry[64] = {};
  const auto table = [&](uint64_t offset, uint64_t count, uint64_t entrySize, size_t used,
                         const auto& read) {
    if (count == 0) return true;
    if (entrySize < used || count > file.size() / entrySize || !reach(offset, count * entrySize)) {
      return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
      if (!file.get(offset + i * entrySize, entry, used) || !read()) return false;
    }
    return true;
  };
  const bool segments = table(
      word(header + form.programHeadersAt), littleEndian(header + form.programCountAt, 2),
      littleEndian(header + form.programEntrySizeAt, 2), form.programEntrySize,
      [&] { return reach(word(entry + form.segmentOffsetAt), word(entry + form.segmentSizeAt)); });
  if (!segments) return std::nullopt;
  const uint64_t sectionsAt = word(header + form.sectionHeadersAt);
  const uint64_t sectionEntrySize = littleEndian(header + form.sectionEntrySizeAt, 2);
  uint64_t sectionCount = littleEndian(header + form.sectionCountAt, 2);
  // More sections than the header's field holds: their number is the first section's size.
  if (sectionCount == 0 && sectionsAt != 0) {
    if (sectionEntrySize < form.sectionEntrySize ||
        !file.get(sectionsAt, entry, form.sectionEntrySize)) {
      return std::nullopt;
    }
    sectionCount = word(entry + form.sectionSizeAt);
  }
  const bool sections =
      table(sectionsAt, sectionCount, sectionEntrySize, form.sectionEntrySize, [&] {
        return littleEndian(entry + form.sectionTypeAt, 4) == kSectionWithoutBytes ||
               reach(word(entry + form.sectionOffsetAt), word(entry + form.sectionSizeAt));
      });
  if (!sections) return std::nullopt;
  return ElfImage{&form, end};
}

// Linux: the movie's length and the marker, each a word of the image's form, stand between the
// ELF image and the movie.
MovieLocation linuxProjector(const FileView& file, const uint8_t*) {
  const std::optional<ElfImage> image = readElf(file);
  if (!image) return {};
  const size_t word = image->form->word;
  uint8_t trailer[16] = {};
  const bool is64 = word == 8;
  if (!file.get(image->end, trailer, 2 * word) ||
      littleEndian(trailer + word, word) != (is64 ? kProjectorMarker64 : kProjectorMarker)) {
    return {};
  }
  const Layout layout = is64 ? Layout::LinuxX8664Projector : Layout::LinuxI386Projector;
  const uint64_t start = image->end + 2 * word;
  const uint64_t length = littleEndian(trailer, word);
  if (!file.inside(start, length)) return damaged(layout, kTooLong);
  return found(layout, start, length);
}

// Classic Mac OS: the movie's length and the marker end the file, both big-endian.
MovieLocation classicMacProjector(const FileView& file, const uint8_t*) {
  uint8_t tail[8] = {};
  const auto count = static_cast<size_t>(std::min<uint64_t>(file.size(), sizeof tail));
  if (count < 4 || !file.get(file.size() - count, tail, count) ||
      bigEndian(tail + count - 4, 4) != kProjectorMarker) {
    return {};
  }
  if (count < sizeof tail) {
    return damaged(Layout::ClassicMacProjector, "the file is too short to hold it");
  }
  const uint64_t length = bigEndian(tail, 4);
  if (length > file.size() - sizeof tail) return damaged(Layout::ClassicMacProjector, kTooLong);
  return found(Layout::ClassicMacProjector, file.size() - sizeof tail - length, length);
}

bool isAppMovie(const std::string& name) {
  const size_t suffix = sizeof kAppMovie - 1;
  if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kAppMovie) != 0) {
    return false;
  }
  const std::string folder = name.substr(0, name.size() - suffix);
  const std::string last = folder.substr(folder.find_last_of('/') + 1);
  return last.size() > 4 && last.compare(last.size() - 4, 4, ".app") == 0;
}

// The zip entry of an application's movie, from its entry in the zip's directory.
MovieLocation appZipMovie(const FileView& file, const uint8_t* entry, uint64_t shift) {
  const uint64_t flags = littleEndian(entry + 8, 2);
  const uint64_t method = littleEndian(entry + 10, 2);
  const uint64_t stored = littleEndian(entry + 20, 4);
  const uint64_t size = littleEndian(entry + 24, 4);
  const uint64_t local = littleEndian(entry + 42, 4) + shift;
  uint8_t header[kZipLocalHeaderSize] = {};
  if (!file.get(local, header, sizeof header) || littleEndian(header, 4) != kZipLocalHeader) {
    return damaged(Layout::MacAppZip, "its movie is not where the zip's directory says");
  }
  if ((flags & 1) != 0) return damaged(Layout::MacAppZip, "its movie is encrypted");
  if (method != 0 && method != 8) {
    return damaged(Layout::MacAppZip, "its movie is compressed by a method other than deflate");
  }
  const uint64_t start =
      local + sizeof header + littleEndian(header + 26, 2) + littleEndian(header + 28, 2);
  if (!file.inside(start, stored) || (method == 0 && stored != size)) {
    return damaged(Layout::MacAppZip, kTooLong);
  }
  MovieLocation movie = found(Layout::MacAppZip, start, stored);
  movie.storage = method == 8 ? Storage::Deflated : Storage::Plain;
  movie.size = size;
  movie.crc = static_cast<uint32_t>(littleEndian(entry + 16, 4));
  return movie;
}

// The application's movie in the zip whose end record is `end`, at `endAt`; nothing when the
// directory it names is no zip directory.
std::optional<MovieLocation> appZipEntry(const FileView& file, uint64_t endAt, const uint8_t* end) {
  const uint64_t entries = littleEndian(end + 10, 2);
  const uint64_t directorySize = littleEndian(end + 12, 4);
  const uint64_t directoryAt = littleEndian(end + 16, 4);
  // Bytes before the zip (a program that unpacks it, say) move every offset by as many.
  if (directoryAt + directorySize > endAt) return std::nullopt;
  const uint64_t shift = endAt - directoryAt - directorySize;
  uint64_t at = directoryAt + shift;
  for (uint64_t i = 0; i < entries; ++i) {
    uint8_t entry[kZipDirectoryEntrySize] = {};
    if (!file.get(at, entry, sizeof entry) || littleEndian(entry, 4) != kZipDirectoryEntry) {
      return std::nullopt;
    }
    std::string name(static_cast<size_t>(littleEndian(entry + 28, 2)), '\0');
    if (!file.get(at + sizeof entry, reinterpret_cast<uint8_t*>(name.data()), name.size())) {
      return std::nullopt;
    }
    if (isAppMovie(name)) return appZipMovie(file, entry, shift);
    at += sizeof entry + name.size() + littleEndian(entry + 30, 2) + littleEndian(entry + 32, 2);
  }
  return MovieLocation{};
}

// macOS, zipped: the zip's end record is the last one within the longest comment of the end,
// whose comment stays inside the file. ZIP64 archives are not read.
MovieLocation appZip(const FileView& file, const uint8_t*) {
  const uint64_t tailSize = std::min<uint64_t>(file.size(), kZipEndRecordSize + 0xFFFF);
  if (tailSize < kZipEndRecordSize) return {};
  std::vector<uint8_t> tail(static_cast<size_t>(tailSize));
  const uint64_t tailAt = file.size() - tailSize;
  if (!file.get(tailAt, tail.data(), tail.size())) return {};
  for (size_t at = tail.size() - kZipEndRecordSize + 1; at-- > 0;) {
    const uint8_t* record = tail.data() + at;
    if (littleEndian(record, 4) != kZipEndRecord ||
        at + kZipEndRecordSize + littleEndian(record + 20, 2) > tail.size()) {
      continue;
    }
    if (std::optional<MovieLocation> movie = appZipEntry(file, tailAt + at, record)) return *movie;
  }
  return {};
}

// Our screen saver, by the package's own rule of what it holds.
MovieLocation screenSaver(const FileView& file, const uint8_t*) {
  const MovieLocation saver = locatePackage(Package::ScreenSaver, file.size(), file.reader());
  return saver.status == MovieLocation::Status::Found ? saver : MovieLocation{};
}

}  // namespace

MovieLocation findMovie(uint64_t size, const ReadAt& read) {
  const FileView file(size, read);
  const Tail tailAt = tailOf(size);
  uint8_t tail[kLongestTrailerSize] = {};
  if (!file.get(tailAt.offset, tail, tailAt.size)) return {};
  MovieLocation verdict = locateMovie(Package::Projector, size, tail);
  if (verdict.status == MovieLocation::Status::Found) return verdict;
  bool anotherDamaged = false;
  for (const auto finder : {linuxProjector, classicMacProjector, appZip, screenSaver}) {
    const MovieLocation other = finder(file, tail);
    if (other.status == MovieLocation::Status::Found) return other;
    if (other.status == MovieLocation::Status::Damaged && !anotherDamaged) {
      verdict = other;
      anotherDamaged = true;
    }
  }
  return verdict;
}

std::optional<std::string> appFolderMovie(const std::string& folder, FileRules rules) {
  std::string movie = folder + kAppMovie;
  const std::optional<uint64_t> size = fileSize(movie);
  uint8_t start[kSignatureSize] = {};
  if (!size || *size < sizeof start) return std::nullopt;
  File(movie, FileMode::ReadShared, rules).readAt(0, start, sizeof start);
  if (!movieSignature(start, sizeof start)) return std::nullopt;
  return movie;
}

MovieLocation appFolderLocation(uint64_t size) {
  return found(Layout::MacAppFolder, 0, size);
}

const char* layoutName(Layout layout) {
  return kLayoutNames[static_cast<size_t>(layout)].text;
}

const char* layoutId(Layout layout) {
  return kLayoutNames[static_cast<size_t>(layout)].id;
}

}  // namespace pravix
