// The package format: a stub, the movie, and a trailer by which the stub finds the movie. Written
// by the conversions, and read by them, by the stubs and by `pravix info` through one reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/File.h"

namespace pravix {

enum class Package { Projector, ScreenSaver };

// Projector: stub, movie (L bytes), marker (4 bytes LE), L (4 bytes LE).
constexpr uint32_t kProjectorMarker = 0xFA123456;
constexpr size_t kProjectorTrailerSize = 8;

// Screen saver: stub, movie (L bytes), back offset L + 4 (4 bytes LE). No marker.
constexpr size_t kScreenSaverTrailerSize = 4;

constexpr size_t kLongestTrailerSize = kProjectorTrailerSize;

// The file names of the two stubs, looked for in the program directory.
constexpr const char* kProjectorStubName = "Player.exe";
constexpr const char* kScreenSaverStubName = "Quendel.dll";

size_t trailerSize(Package package);

// The largest movie each trailer can describe: its 32-bit length field must hold it.
uint64_t largestMovie(Package package);

// The trailer that ends a package holding a movie of `movieLength` bytes: its first
// trailerSize(package) bytes.
std::array<uint8_t, kLongestTrailerSize> makeTrailer(Package package, uint32_t movieLength);

// Where the trailer at the end of a file says its movie lies.
struct MovieRange {
  uint64_t offset = 0;
  uint32_t length = 0;
};
struct Located {
  enum class Status {
    NoTrailer,  // (projector) the marker is missing; (screen saver) the file is too short, or its
                // back offset names no movie
    Damaged,    // (projector) the file is too short for the trailer its marker starts; (both) the
                // trailer names a movie that reaches before the start of the file
    Found,      // the movie lies at `movie`, which may be empty
  };
  Status status = Status::NoTrailer;
  MovieRange movie;
  // Why there is no movie, for a person: "it has no projector trailer", say. Empty when found.
  const char* reason = "";
};

// The end of a file that holds either trailer: its last kLongestTrailerSize bytes, or the whole
// file when it is shorter.
struct Tail {
  uint64_t offset;
  size_t size;
};
Tail tailOf(uint64_t fileSize);

// The trailer's verdict on a file of `fileSize` bytes that ends in `tail` (tailOf(fileSize).size
// bytes). A projector shorter than its trailer is read from its start, as the way back from the
// end cannot reach before it: one of four to seven bytes is judged by its marker first.
Located locateMovie(Package package, uint64_t fileSize, const uint8_t* tail);

// Reads the end of `file` and gives the trailer's verdict; StreamReadError when it cannot be read.
Located readTrailer(const File& file, Package package);

}  // namespace pravix
