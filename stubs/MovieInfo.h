// What a movie's header says about it.
// Free of Win32 so that the rules can be checked on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pravix::stub {

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
