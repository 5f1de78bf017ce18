// The trailers: how they are written, and where a file's last bytes say its movie lies, at the
// edges of every field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packaging/PackageFormat.h"

namespace pravix {
namespace {

using Status = MovieLocation::Status;

struct Case {
  const char* what;
  uint64_t fileSize;
  std::vector<uint8_t> trailer;  // the file's last bytes: as many as the trailer has, or the whole
                                 // file when it is shorter
  Status status;
  uint64_t offset;
  uint32_t length;
};

void expectLocated(Package package, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The tail read is the last eight bytes, or the whole file: bytes of the stub or the movie
    // stand before a screen saver's trailer.
    std::vector<uint8_t> tail = c.trailer;
    while (tail.size() < 8 && tail.size() < c.fileSize) tail.insert(tail.begin(), 0xEE);
    const MovieLocation located = locateMovie(package, c.fileSize, tail.data());
    EXPECT_EQ(located.status, c.status);
    if (c.status != Status::Found) continue;
    EXPECT_EQ(located.offset, c.offset);
    EXPECT_EQ(located.length, c.length);
  }
}

TEST(PackageFormat, TrailersAreWrittenLittleEndian) {
  const auto projector = makeTrailer(Package::Projector, 0x01020304);
  EXPECT_EQ(std::vector<uint8_t>(projector.begin(), projector.end()),
            (std::vector<uint8_t>{0x56, 0x34, 0x12, 0xFA, 0x04, 0x03, 0x02, 0x01}));
  const auto saver = makeTrailer(Package::ScreenSaver, 0x01020304);
  EXPECT_EQ(std::vector<uint8_t>(saver.begin(), saver.begin() + 4),
            (std::vector<uint8_t>{0x08, 0x03, 0x02, 0x01}));
}

TEST(PackageFormat, ScreenSaverBackOffsetCountsItselfAndStaysInsideTheFile) {
  expectLocated(Package::ScreenSaver,
                {
                    {"zero", 100, {0, 0, 0, 0}, Status::NoTrailer, 0, 0},
                    {"below 4", 100, {3, 0, 0, 0}, Status::NoTrailer, 0, 0},
                    {"exactly 4: an empty movie", 100, {4, 0, 0, 0}, Status::Found, 96, 0},
                    {"5", 100, {5, 0, 0, 0}, Status::Found, 95, 1},
                    {"the file size", 100, {100, 0, 0, 0}, Status::Found, 0, 96},
                    {"one past the file size", 100, {101, 0, 0, 0}, Status::Damaged, 0, 0},
                    {"all ones", 100, {0xFF, 0xFF, 0xFF, 0xFF}, Status::Damaged, 0, 0},
                    {"all ones, the whole file",
                     0xFFFFFFFF,
                     {0xFF, 0xFF, 0xFF, 0xFF},
                     Status::Found,
                     0,
                     0xFFFFFFFB},
                    {"all ones in a larger file",
                     0x100000000,
                     {0xFF, 0xFF, 0xFF, 0xFF},
                     Status::Found,
                     1,
                     0xFFFFFFFB},
                    {"bytes in order",
                     0x02000000,
                     {0x04, 0x03, 0x02, 0x01},
                     Status::Found,
                     0x00FDFCFC,
                     0x01020300},
                });
}

TEST(PackageFormat, ProjectorNeedsItsMarkerAndALengthInsideTheFile) {
  const std::vector<uint8_t> marker = {0x56, 0x34, 0x12, 0xFA};
  const auto tail = [&marker](std::vector<uint8_t> length) {
    std::vector<uint8_t> bytes = marker;
    bytes.insert(bytes.end(), length.begin(), length.end());
    return bytes;
  };
  expectLocated(
      Package::Projector,
      {
          {"no marker", 100, {0x57, 0x34, 0x12, 0xFA, 0, 0, 0, 0}, Status::NoTrailer, 0, 0},
          {"marker in the wrong order",
           100,
           {0xFA, 0x12, 0x34, 0x56, 0, 0, 0, 0},
           Status::NoTrailer,
           0,
           0},
          {"an empty movie", 100, tail({0, 0, 0, 0}), Status::Found, 92, 0},
          {"reaching exactly the start", 100, tail({92, 0, 0, 0}), Status::Found, 0, 92},
          {"one past the start", 100, tail({93, 0, 0, 0}), Status::Damaged, 0, 0},
          // 0xFFFFFFFF + 8 wraps around to 7 in 32 bits.
          {"all ones in a small file", 100, tail({0xFF, 0xFF, 0xFF, 0xFF}), Status::Damaged, 0, 0},
          {"all ones, one byte short", 0x100000006, tail({0xFF, 0xFF, 0xFF, 0xFF}), Status::Damaged,
           0, 0},
          {"all ones, the whole file", 0x100000007, tail({0xFF, 0xFF, 0xFF, 0xFF}), Status::Found,
           0, 0xFFFFFFFF},
          {"bytes in order", 0x02000000, tail({0x04, 0x03, 0x02, 0x01}), Status::Found, 0x00FDFCF4,
           0x01020304},
      });
}

TEST(PackageFormat, FilesShorterThanTheTrailerAreReadFromTheirStart) {
  // A projector's marker is looked for in the first four bytes: without it the file is no
  // projector; with it, or without room for it, the trailer is cut short.
  expectLocated(
      Package::Projector,
      {
          {"empty", 0, {}, Status::Damaged, 0, 0},
          {"three bytes", 3, {0x56, 0x34, 0x12}, Status::Damaged, 0, 0},
          {"four bytes", 4, {1, 2, 3, 4}, Status::NoTrailer, 0, 0},
          {"marker alone", 4, {0x56, 0x34, 0x12, 0xFA}, Status::Damaged, 0, 0},
          {"seven bytes", 7, {0x56, 0x34, 0x12, 0xFA, 0, 0, 0}, Status::Damaged, 0, 0},
          {"seven without a marker", 7, {1, 0x56, 0x34, 0x12, 0xFA, 0, 0}, Status::NoTrailer, 0, 0},
          {"eight bytes", 8, {0x56, 0x34, 0x12, 0xFA, 0, 0, 0, 0}, Status::Found, 0, 0},
      });
  expectLocated(Package::ScreenSaver, {
                                          {"empty", 0, {}, Status::NoTrailer, 0, 0},
                                          {"three bytes", 3, {4, 0, 0}, Status::NoTrailer, 0, 0},
                                          {"four bytes", 4, {4, 0, 0, 0}, Status::Found, 0, 0},
                                          {"six bytes", 6, {1, 2, 6, 0, 0, 0}, Status::Found, 0, 2},
                                      });
}

}  // namespace
}  // namespace pravix
