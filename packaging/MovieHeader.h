// A movie's header, read by the one reader that the stubs, `pravix info` and the layouts use: the
// signature and the compression it names, the version, the declared length, and the frame (the
// stage rectangle, the frame rate and the frame count), decompressed as far as the frame where it
// is compressed, held to one set of plausibility rules and told with one set of names. The
// conversions never look inside a movie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "packaging/Reading.h"

namespace pravix {

// How a movie keeps what follows its first 8 bytes, as its signature says: FWS, CWS or ZWS.
enum class Compression { None, Zlib, Lzma };

// The signature's length: the first bytes of every movie.
constexpr size_t kSignatureSize = 3;

// The compression whose signature `bytes` start with; nothing when they are fewer than
// kSignatureSize or start otherwise. The one test of whether bytes start as a movie.
std::optional<Compression> movieSignature(const uint8_t* bytes, size_t count);

// A compression's names, the same in every description: its signature ("CWS"), its name for a
// program reading ours ("zlib"), and its name for a person ("zlib compressed").
const char* signatureName(Compression compression);
const char* compressionId(Compression compression);
const char* compressionText(Compression compression);

struct MovieHeader {
  // The first four bytes: the signature's and the version.
  bool hasSignature = false;
  uint8_t signatureBytes[kSignatureSize] = {};
  uint8_t version = 0;
  // What the signature names; nothing for bytes that are no movie's signature.
  std::optional<Compression> compression;
  bool hasLength = false;
  uint32_t declaredLength = 0;  // the whole movie's length once uncompressed, as it claims
  bool hasFrameInfo = false;    // the frame was read, and is possible
  int32_t widthTwips = 0;
  int32_t heightTwips = 0;
  uint16_t frameRate = 0;  // 8.8 fixed point
  uint16_t frameCount = 0;
  // The frame is compressed by a method this build cannot undo (LZMA where liblzma is not
  // linked): compressed, its size unknown. That is no damage.
  bool frameUnknown = false;
  // Why the header cannot be read whole, or cannot be true (an inverted stage, a declared length
  // shorter than the header itself), for a person; empty when it can. The figures of an impossible
  // part are dropped.
  std::string error;
};

// Reads the header of the movie whose bytes `movie` gives from the first, and no further than the
// frame's end: a compressed frame through the decompressor (zlib; LZMA where the build has it).
MovieHeader readMovieHeader(ByteStream& movie);

// The same for the movie of `length` bytes at `offset` of the file that `read` reads.
MovieHeader readMovieHeader(const ReadAt& read, uint64_t offset, uint64_t length);

// A count of bytes, the stage's sizes in pixels (from twips) and the frame rate in frames per
// second (from 8.8 fixed point), as every description of a movie writes them: "1 byte",
// "25 bytes"; at most two decimals, without trailing zeros ("550", "0.5", "12.25").
std::string bytesText(uint64_t count);
std::string pixelsText(int32_t twips);
std::string frameRateText(uint16_t rate);

}  // namespace pravix
