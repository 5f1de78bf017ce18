// Where a stub's movie lies according to its trailer, and what the movie's header says about it.
// Free of Win32 so that the rules can be checked on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "packaging/Layout.h"

namespace pravix::stub {

enum class TrailerKind { Projector, ScreenSaver };

// The bytes at the end of the file that TrailerKind reads, and room for either trailer.
size_t trailerSize(TrailerKind kind);
constexpr size_t kLongestTrailerSize = kProjectorTrailerSize > kScreenSaverTrailerSize
                                           ? kProjectorTrailerSize
                                           : kScreenSaverTrailerSize;

struct MovieRange {
  uint64_t offset = 0;
  uint32_t length = 0;
};

// The movie that the trailer `tail` (trailerSize(kind) bytes, the last ones of a file of
// `fileSize` bytes) describes, or nothing when the trailer is absent or points outside the file.
// An empty movie counts as none: every movie has a header, and a bare stub's last bytes are
// often zeros.
std::optional<MovieRange> locateMovie(TrailerKind kind, uint64_t fileSize, const uint8_t* tail);

// What the first bytes of a movie say. Frame details are only readable without decompression.
struct MovieHeader {
  enum class Signature { Uncompressed, Zlib, Lzma, Unknown, TooShort };
  Signature signature = Signature::TooShort;
  uint8_t signatureBytes[3] = {};
  uint8_t version = 0;
  bool hasFrameInfo = false;
  int32_t widthTwips = 0;
  int32_t heightTwips = 0;
  uint16_t frameRate = 0;  // 8.8 fixed point
  uint16_t frameCount = 0;
};

// The largest prefix readMovieHeader looks at.
constexpr size_t kMovieHeaderBytes = 32;

MovieHeader readMovieHeader(const uint8_t* bytes, size_t count);

enum class Detail { Full, Brief };

// Lines of text, separated by "\n", for a person: size, signature, version, frame details.
std::string describeMovie(uint32_t length, const MovieHeader& header, Detail detail);

}  // namespace pravix::stub
