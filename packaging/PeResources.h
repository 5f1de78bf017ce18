// A Windows program's resources (its icon, version, manifest, the player's files): read from the
// resource section of its PE image, and written into a copy of the image as a new resource
// section. Only what the format asks is done, for 32-bit and 64-bit images alike:
//
//   DOS header   "MZ", at 0x3C the offset of the PE header
//   PE header    "PE\0\0", the file header (20 bytes: the number of sections, the optional
//                header's size), the optional header (its magic 0x10B or 0x20B, the alignments,
//                the image's size, the checksum, the data directories), the section table
//   .rsrc        a tree of directories three deep (type, name, language), each entry a number or
//                a name (UTF-16, its length first), its leaves pointing at the data by address
//
// A new section takes the old one's place. The sections after it move on by as much as it grew,
// which only the base relocations may do: nothing in the program points at them but the data
// directory, which follows. A section of any other kind after the resources, or a signature,
// leaves the image as it is and says why.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/Reading.h"

namespace pravix {

// Resource types by number, as Windows numbers them.
enum ResourceType : uint16_t {
  kIconResource = 3,
  kStringResource = 6,
  kDataResource = 10,
  kIconGroupResource = 14,
  kVersionResource = 16,
};

// A resource's type or name: a number, or a name when `name` is not empty.
struct ResourceName {
  uint16_t id = 0;
  std::u16string name;
};
inline bool operator==(const ResourceName& a, const ResourceName& b) {
  return a.id == b.id && a.name == b.name;
}

struct Resource {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  std::string data;
  uint32_t codePage = 0;
};

// Why an image's resources cannot be read or rewritten, for a person: "is not a Windows program",
// "has a damaged resource section".
class PeFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every resource of the image of `size` bytes that `read` reads, in the order Windows keeps them
// (named types and names first, by name, then numbered ones by number; languages by number).
// PeFormatError when it is no PE image or its resources cannot be read whole.
std::vector<Resource> readResources(const ReadAt& read, uint64_t size);
std::vector<Resource> readResources(std::string_view image);

// `image` with `resources`, in any order, as its resources, and every other byte where the format
// wants it: the sections after the resources moved, the image's size, the data directories and a
// checksum the image had brought up to date. PeFormatError as above, and for an image whose
// resource section cannot grow.
std::string withResources(std::string_view image, std::vector<Resource> resources);

}  // namespace pravix
