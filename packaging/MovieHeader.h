// What the first bytes of a movie say about it: signature, version, declared length, and the
// frame (stage size, frame rate, frame count) where its bytes are at hand uncompressed. The
// conversions never look inside a movie; the stubs and the tools that describe one do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pravix {

// How a movie keeps what follows its first 8 bytes, as its signature says: FWS, CWS or ZWS.
enum class Compression { None, Zlib, Lzma };

// The signature's length: the first bytes of every movie.
constexpr size_t kSignatureSize = 3;

// The compression whose signature `bytes` start with; nothing when they are fewer than
// kSignatureSize or start otherwise. The one test of whether bytes start as a movie.
std::optional<Compression> movieSignature(const uint8_t* bytes, size_t count);

struct MovieHeader {
  enum class Signature { Uncompressed, Zlib, Lzma, Unknown, TooShort };
  Signature signature = Signature::TooShort;
  uint8_t signatureBytes[3] = {};
  uint8_t version = 0;
  bool hasLength = false;
  uint32_t declaredLength = 0;  // the whole movie's length once uncompressed, as it claims
  bool hasFrameInfo = false;
  int32_t widthTwips = 0;
  int32_t heightTwips = 0;
  uint16_t frameRate = 0;  // 8.8 fixed point
  uint16_t frameCount = 0;
};

// Where the frame starts: after the signature, the version and the declared length.
constexpr size_t kMovieFrameStart = 8;

// The largest prefix readMovieHeader looks at.
constexpr size_t kMovieHeaderBytes = 32;

// Reads the first `count` bytes of a movie; the frame only of an uncompressed one.
MovieHeader readMovieHeader(const uint8_t* bytes, size_t count);

// Reads the frame from `frame`, the movie's bytes from kMovieFrameStart on, uncompressed (a
// compressed movie's after decompression). False when they end too soon.
bool readMovieFrame(const uint8_t* frame, size_t count, MovieHeader& header);

// The stage's sizes in pixels (from twips) and the frame rate in frames per second (from 8.8 fixed
// point), as every description of a movie writes them: at most two decimals, without trailing
// zeros ("550", "0.5", "12.25").
std::string pixelsText(int32_t twips);
std::string frameRateText(uint16_t rate);

}  // namespace pravix
