// Fuzzes where a trailer says the movie lies, for both packages, against rules restated here.
//
// The input is the end of a file: its first four bytes (little-endian), when it has more than
// four, count zero bytes that stand before the rest, so that files of up to 4 GiB and more are
// reached without being held; a shorter input is a whole file by itself.
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "packaging/PackageFormat.h"

namespace {

// Read apart from the format's own code: the oracle must not share its mistakes.
uint64_t littleEndian32(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 3; i >= 0; --i) value = value * 256 + bytes[i];
  return value;
}

struct Expected {
  pravix::MovieLocation::Status status;
  uint64_t offset = 0;
  uint64_t length = 0;
};

// The trailer rules: a projector ends in 56 34 12 FA and the movie's length, a screen saver in the
// distance back from its end to the movie's start. A movie must lie wholly inside the file. A
// projector shorter than its trailer is read from its start: the marker first, then the length.
// `end` holds the file's last eight bytes, or all of it when it is shorter.
Expected expectedLocation(pravix::Package package, uint64_t fileSize, const uint8_t* end) {
  using Status = pravix::MovieLocation::Status;
  const size_t endSize = fileSize < 8 ? static_cast<size_t>(fileSize) : 8;
  if (package == pravix::Package::Projector) {
    if (endSize < 4) return {Status::Damaged};
    if (end[0] != 0x56 || end[1] != 0x34 || end[2] != 0x12 || end[3] != 0xFA) {
      return {Status::NoTrailer};
    }
    if (endSize < 8) return {Status::Damaged};
    const uint64_t length = littleEndian32(end + 4);
    if (length + 8 > fileSize) return {Status::Damaged};
    return {Status::Found, fileSize - 8 - length, length};
  }
  if (fileSize < 4) return {Status::NoTrailer};
  const uint64_t back = littleEndian32(end + endSize - 4);
  if (back < 4) return {Status::NoTrailer};
  if (back > fileSize) return {Status::Damaged};
  return {Status::Found, fileSize - back, back - 4};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t zeros = 0;
  if (size > 4) {
    zeros = littleEndian32(data);
    data += 4;
    size -= 4;
  }
  const uint64_t fileSize = zeros + size;
  // The file's last eight bytes (fewer when it is shorter): leading zeros, then the input's rest.
  uint8_t end[8] = {};
  const size_t endSize = fileSize < 8 ? static_cast<size_t>(fileSize) : 8;
  const size_t fromInput = size < endSize ? size : endSize;
  std::memcpy(end + endSize - fromInput, data + size - fromInput, fromInput);

  for (const pravix::Package package : {pravix::Package::Projector, pravix::Package::ScreenSaver}) {
    const size_t trailer = package == pravix::Package::Projector ? 8 : 4;
    const Expected expected = expectedLocation(package, fileSize, end);
    const pravix::MovieLocation located = pravix::locateMovie(package, fileSize, end);
    PRAVIX_FUZZ_CHECK(located.status == expected.status, "the status disagrees with the trailer");
    if (expected.status != pravix::MovieLocation::Status::Found) continue;
    PRAVIX_FUZZ_CHECK(located.offset == expected.offset && located.length == expected.length,
                      "the movie is not where the trailer says");
    PRAVIX_FUZZ_CHECK(located.offset + located.length + trailer == fileSize,
                      "the movie does not end at the trailer");
  }
  return 0;
}
