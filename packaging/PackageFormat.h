// The package format: a stub, the movie, and a trailer by which the stub finds the movie. Written
// by the conversions and read by them, by the stubs and by any other reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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

// Whether four bytes are the projector's marker.
bool isProjectorMarker(const uint8_t* bytes);

// Where the trailer at the end of a file says its movie lies.
struct MovieRange {
  uint64_t offset = 0;
  uint32_t length = 0;
};
struct Located {
  enum class Status {
    NoTrailer,    // the file is too short, or (projector) its marker is missing
    OutsideFile,  // the trailer names a movie that reaches before the start of the file
    Found,        // the movie lies at `movie`, which may be empty
  };
  Status status = Status::NoTrailer;
  MovieRange movie;
};

// `tail` holds the last trailerSize(package) bytes of a file of `fileSize` bytes (as many as
// the file has, when it is shorter).
Located locateMovie(Package package, uint64_t fileSize, const uint8_t* tail);

}  // namespace pravix
