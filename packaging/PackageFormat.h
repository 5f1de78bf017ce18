// The package format: a stub, the movie, and a trailer by which the stub finds the movie. Written
// by the conversions, and read by them, by the stubs and by `pravix` through one reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "packaging/MovieLocation.h"
#include "packaging/Reading.h"
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

// The end of a file that holds either trailer: its last kLongestTrailerSize bytes, or the whole
// file when it is shorter.
struct Tail {
  uint64_t offset;
  size_t size;
};
Tail tailOf(uint64_t fileSize);

// The trailer's verdict on a file of `fileSize` bytes that ends in `tail` (tailOf(fileSize).size
// bytes): its arithmetic alone. A projector shorter than its trailer is read from its start, as the
// way back from the end cannot reach before it: one of four to seven bytes is judged by its marker
// first. A screen saver's back offset of 4 gives an empty movie here.
MovieLocation locateMovie(Package package, uint64_t fileSize, const uint8_t* tail);

// Where a package of `size` bytes that `read` reads holds its movie: the trailer's verdict, and for
// a screen saver, which has no marker, the one rule of what it holds: a movie's signature where its
// back offset points. An empty payload, or one that starts otherwise, is no movie ("it has no
// screen-saver trailer").
MovieLocation locatePackage(Package package, uint64_t size, const ReadAt& read);

// The same for `file`; StreamReadError when it cannot be read.
MovieLocation locatePackage(Package package, const File& file);

}  // namespace pravix
