// Fuzzes the reader of the files a package carries before its movie, against the layout restated
// here: what it finds lies before the movie, one file after another up to the table, under names a
// folder can hold, and written again it gives the very bytes it was read from.
//
// The input's first byte counts the bytes at its end that stand for the movie; the rest before
// them is the package up to the movie, which is all the reader may read.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "packaging/PackedFiles.h"

namespace {

// Read apart from the format's own code: the oracle must not share its mistakes.
uint64_t littleEndian(const uint8_t* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = value * 256 + bytes[i];
  return value;
}

std::string asciiLowered(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* file = data + 1;
  const size_t fileSize = size - 1;
  const uint64_t movieOffset = fileSize - std::min<size_t>(data[0], fileSize);

  const pravix::PackedFiles packed = pravix::readPackedFiles(
      [&](uint64_t offset, uint8_t* bytes, size_t count) {
        PRAVIX_FUZZ_CHECK(offset <= movieOffset && count <= movieOffset - offset,
                          "a read at or past the movie");
        std::memcpy(bytes, file + offset, count);
        return count;
      },
      movieOffset);

  using Status = pravix::PackedFiles::Status;
  // The footer, "PXFILES1" and three numbers, ends where the movie starts.
  const bool footer = movieOffset >= 24 && std::memcmp(file + movieOffset - 24, "PXFILES1", 8) == 0;
  PRAVIX_FUZZ_CHECK((packed.status == Status::None) == !footer,
                    "files found without a footer, or none found with one");
  if (packed.status != Status::Found) {
    PRAVIX_FUZZ_CHECK(packed.files.empty() && packed.bytes == 0, "files told from a bad table");
    PRAVIX_FUZZ_CHECK((packed.status == Status::Damaged) == !packed.reason.empty(),
                      "a damaged table without its reason, or a reason without damage");
    return 0;
  }

  const uint8_t* end = file + movieOffset - 24;
  const uint64_t count = littleEndian(end + 8, 4);
  const uint64_t tableBytes = littleEndian(end + 12, 4);
  const uint64_t dataBytes = littleEndian(end + 16, 8);
  PRAVIX_FUZZ_CHECK(packed.files.size() == count, "not as many files as the footer counts");
  PRAVIX_FUZZ_CHECK(packed.bytes == dataBytes, "the files' length is not the footer's");
  PRAVIX_FUZZ_CHECK(tableBytes + dataBytes + 24 <= movieOffset, "a table reaching past the start");
  const uint64_t tableOffset = movieOffset - 24 - tableBytes;

  uint64_t next = tableOffset - dataBytes;
  std::set<std::string> names;
  std::vector<pravix::PackedEntry> entries;
  for (const pravix::PackedFile& each : packed.files) {
    PRAVIX_FUZZ_CHECK(each.offset == next, "a file that does not follow the one before");
    PRAVIX_FUZZ_CHECK(each.size <= tableOffset - each.offset, "a file reaching into the table");
    PRAVIX_FUZZ_CHECK(pravix::isPackedName(each.name), "a name no package can carry");
    PRAVIX_FUZZ_CHECK(names.insert(asciiLowered(each.name)).second,
                      "two names that a Windows folder takes for one");
    next = each.offset + each.size;
    entries.push_back({each.name, each.size});
  }
  PRAVIX_FUZZ_CHECK(next == tableOffset, "the files do not end at the table");

  // The table and footer written again for what was found are the bytes they were read from.
  const std::string written = pravix::packedFilesEnd(entries);
  PRAVIX_FUZZ_CHECK(written.size() == tableBytes + 24 &&
                        std::memcmp(written.data(), file + tableOffset, written.size()) == 0,
                    "the table read gives other bytes when written again");
  return 0;
}
