// The other platforms' projector layouts built byte by byte from their descriptions, apart from the
// code that reads them: for the core's reader (tests/packaging) and `pravix` (tests/cli).
#pragma once

#include <algorithm>
#include <string>

#include "tests/TestSupport.h"

namespace pravix::test {

// Puts `value` at `at` in `count` bytes, least significant first.
inline void putLittle(Bytes& bytes, size_t at, uint64_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline Bytes little(uint64_t value, size_t count) {
  Bytes bytes(count);
  putLittle(bytes, 0, value, count);
  return bytes;
}

// An ELF image as a linker lays one out: the header; one program header right after it, for a
// segment from the file's start to `segmentEnd`; and at `sectionsAt` the section header table: a
// null section, a section whose bytes end at `sectionEnd`, and a .bss without bytes in the file
// that claims a megabyte. Everything else is pattern bytes.
inline Bytes elfImage(bool is64, uint64_t segmentEnd, uint64_t sectionsAt, uint64_t sectionEnd) {
  const size_t word = is64 ? 8 : 4, header = is64 ? 64 : 52;
  const size_t programEntry = is64 ? 56 : 32, sectionEntry = is64 ? 64 : 40;
  const uint64_t size = std::max({segmentEnd, sectionsAt + 3 * sectionEntry, sectionEnd});
  Bytes image = patternBytes(static_cast<size_t>(size), 31);
  std::fill(image.begin(), image.begin() + 16, 0);
  const uint8_t ident[] = {0x7F, 'E', 'L', 'F', static_cast<uint8_t>(is64 ? 2 : 1), 1, 1};
  std::copy(std::begin(ident), std::end(ident), image.begin());
  putLittle(image, 16, 2, 2);                   // e_type: an executable
  putLittle(image, 18, is64 ? 62 : 3, 2);       // e_machine: x86-64 or i386
  putLittle(image, 20, 1, 4);                   // e_version
  putLittle(image, 24 + word, header, word);    // e_phoff: right after the header
  putLittle(image, 24 + 2 * word, sectionsAt, word);  // e_shoff
  const size_t sizes = 28 + 3 * word;  // e_ehsize, e_phentsize, e_phnum, e_shentsize, e_shnum
  putLittle(image, sizes, header, 2);
  putLittle(image, sizes + 2, programEntry, 2);
  putLittle(image, sizes + 4, 1, 2);
  putLittle(image, sizes + 6, sectionEntry, 2);
  putLittle(image, sizes + 8, 3, 2);
  putLittle(image, sizes + 10, 0, 2);  // e_shstrndx
  // The segment: p_type PT_LOAD, p_offset 0, p_filesz `segmentEnd`.
  putLittle(image, header, 1, 4);
  putLittle(image, header + (is64 ? 8 : 4), 0, word);
  putLittle(image, header + (is64 ? 32 : 16), segmentEnd, word);
  // The sections: sh_type at 4, sh_offset and sh_size after the name, type, flags and address.
  const size_t offsetAt = is64 ? 24 : 16;
  for (size_t i = 0; i < 3; ++i) {
    const size_t at = static_cast<size_t>(sectionsAt) + i * sectionEntry;
    std::fill(image.begin() + static_cast<ptrdiff_t>(at),
              image.begin() + static_cast<ptrdiff_t>(at + sectionEntry), 0);
  }
  const size_t data = static_cast<size_t>(sectionsAt) + sectionEntry;
  putLittle(image, data + 4, 1, 4);  // SHT_PROGBITS
  putLittle(image, data + offsetAt, header + programEntry, word);
  putLittle(image, data + offsetAt + word, sectionEnd - header - programEntry, word);
  const size_t bss = data + sectionEntry;
  putLittle(image, bss + 4, 8, 4);  // SHT_NOBITS
  putLittle(image, bss + offsetAt, sectionEnd, word);
  putLittle(image, bss + offsetAt + word, 1 << 20, word);
  return image;
}

// A Linux projector: the ELF image, the movie's length and the marker (each a word of the image:
// 56 34 12 FA, sign-extended to FF FF FF FF in 64 bits), then the movie.
inline Bytes linuxProjector(bool is64, const Bytes& image, const Bytes& movie,
                            uint64_t length = UINT64_MAX) {
  const size_t word = is64 ? 8 : 4;
  const Bytes marker = is64 ? Bytes{0x56, 0x34, 0x12, 0xFA, 0xFF, 0xFF, 0xFF, 0xFF}
                            : Bytes{0x56, 0x34, 0x12, 0xFA};
  return concat(concat(concat(image, little(length == UINT64_MAX ? movie.size() : length, word)),
                       marker),
                movie);
}

// A classic Mac projector: the movie, its length and the marker FA 12 34 56, both big-endian.
inline Bytes classicMacProjector(const Bytes& stub, const Bytes& movie) {
  const auto n = static_cast<uint32_t>(movie.size());
  const Bytes trailer = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8),  static_cast<uint8_t>(n),
                         0xFA,
                         0x12,
                         0x34,
                         0x56};
  return concat(concat(stub, movie), trailer);
}

// One entry of a zip: its name, how it is stored (0 as it is, 8 deflated), the stored bytes, and
// the size and CRC-32 of what they unpack to.
struct ZipEntry {
  std::string name;
  uint16_t method;
  Bytes stored;
  uint32_t size;
  uint32_t crc;
};

// A zip of `entries` after `prefix` (a program that unpacks it, say): for each entry a local
// header and its bytes, then the directory and its end record, offsets counted from the zip's own
// start.
inline Bytes zipBytes(const Bytes& prefix, const std::vector<ZipEntry>& entries) {
  Bytes zip, directory;
  for (const ZipEntry& e : entries) {
    const Bytes name(e.name.begin(), e.name.end());
    Bytes local = concat(little(0x04034b50, 4), {20, 0, 0, 0});
    local = concat(local, concat(little(e.method, 2), {0, 0, 0, 0}));
    local = concat(local, concat(little(e.crc, 4), little(e.stored.size(), 4)));
    local = concat(local, concat(little(e.size, 4), little(name.size(), 2)));
    local = concat(concat(local, {0, 0}), name);
    Bytes central = concat(little(0x02014b50, 4), {20, 3, 20, 0, 0, 0});
    central = concat(central, concat(little(e.method, 2), {0, 0, 0, 0}));
    central = concat(central, concat(little(e.crc, 4), little(e.stored.size(), 4)));
    central = concat(central, concat(little(e.size, 4), little(name.size(), 2)));
    central = concat(central, Bytes(12, 0));  // extra, comment, disk, attributes
    central = concat(concat(central, little(zip.size(), 4)), name);
    zip = concat(concat(zip, local), e.stored);
    directory = concat(directory, central);
  }
  Bytes end = concat(little(0x06054b50, 4), {0, 0, 0, 0});
  end = concat(end, concat(little(entries.size(), 2), little(entries.size(), 2)));
  end = concat(end, concat(little(directory.size(), 4), little(zip.size(), 4)));
  end = concat(end, {0, 0});
  return concat(prefix, concat(concat(zip, directory), end));
}

// The application's movie in a zip of a macOS projector.
constexpr char kAppMovieEntry[] = "Movie.app/Contents/Resources/movie.swf";

// A movie's first bytes, recognised by its signature alone: FWS, version 10, 25 bytes, the stage
// 550 x 400 pixels, 12.5 frames per second, 3 frames.
inline Bytes signedMovie() {
  return {'F',  'W',  'S',  10,   25,   0,    0,    0,    0x78, 0x00, 0x05, 0x5f, 0x00,
          0x00, 0x0f, 0xa0, 0x00, 0x80, 0x0c, 0x03, 0x00, 0x40, 0x00, 0x00, 0x00};
}

}  // namespace pravix::test
