// Reading a movie's header: fixed fields, then the frame's bit-packed rectangle.
#include "packaging/MovieHeader.h"

#include <cstdio>
#include <cstring>

#include "packaging/ByteOrder.h"

namespace pravix {
namespace {

// Reads the header's RECT, whose fields are signed and packed most significant bit first.
class BitReader {
 public:
  BitReader(const uint8_t* bytes, size_t count) : bytes_(bytes), count_(count) {}

  bool readUnsigned(unsigned bits, uint32_t& value) {
    value = 0;
    for (unsigned i = 0; i < bits; ++i) {
      if (position_ / 8 >= count_) return false;
      const unsigned bit = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1u;
      value = value << 1 | bit;
      ++position_;
    }
    return true;
  }

  bool readSigned(unsigned bits, int32_t& value) {
    uint32_t raw = 0;
    if (!readUnsigned(bits, raw)) return false;
    if (bits > 0 && bits < 32 && (raw >> (bits - 1)) != 0) raw |= ~0u << bits;
    value = static_cast<int32_t>(raw);
    return true;
  }

  size_t bytesUsed() const { return (position_ + 7) / 8; }

 private:
  const uint8_t* bytes_;
  size_t count_;
  size_t position_ = 0;
};

std::string decimalText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string result(text);
  result.erase(result.find_last_not_of('0') + 1);
  if (result.back() == '.') result.pop_back();
  return result;
}

}  // namespace

std::optional<Compression> movieSignature(const uint8_t* bytes, size_t count) {
  if (count < kSignatureSize) return std::nullopt;
  for (const auto& [signature, compression] : {std::pair{"FWS", Compression::None},
                                               {"CWS", Compression::Zlib},
                                               {"ZWS", Compression::Lzma}}) {
    if (std::memcmp(bytes, signature, kSignatureSize) == 0) return compression;
  }
  return std::nullopt;
}

MovieHeader readMovieHeader(const uint8_t* bytes, size_t count) {
  MovieHeader header;
  if (count < 4) return header;
  for (int i = 0; i < 3; ++i) header.signatureBytes[i] = bytes[i];
  header.version = bytes[3];
  using Signature = MovieHeader::Signature;
  const std::optional<Compression> compression = movieSignature(bytes, count);
  header.signature = !compression                        ? Signature::Unknown
                     : *compression == Compression::None ? Signature::Uncompressed
                     : *compression == Compression::Zlib ? Signature::Zlib
                                                         : Signature::Lzma;
  if (count < kMovieFrameStart) return header;
  header.hasLength = true;
  header.declaredLength = littleEndian32(bytes + 4);
  // Past the length, only an uncompressed movie shows its frame in plain bytes.
  if (header.signature == MovieHeader::Signature::Uncompressed) {
    readMovieFrame(bytes + kMovieFrameStart, count - kMovieFrameStart, header);
  }
  return header;
}

bool readMovieFrame(const uint8_t* frame, size_t count, MovieHeader& header) {
  BitReader reader(frame, count);
  uint32_t bits = 0;
  int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  if (!reader.readUnsigned(5, bits) || !reader.readSigned(bits, xMin) ||
      !reader.readSigned(bits, xMax) || !reader.readSigned(bits, yMin) ||
      !reader.readSigned(bits, yMax)) {
    return false;
  }
  const size_t rateAt = reader.bytesUsed();
  if (count < rateAt + 4) return false;
  header.hasFrameInfo = true;
  header.widthTwips = xMax - xMin;
  header.heightTwips = yMax - yMin;
  header.frameRate = littleEndian16(frame + rateAt);
  header.frameCount = littleEndian16(frame + rateAt + 2);
  return true;
}

std::string pixelsText(int32_t twips) {
  return decimalText(twips / 20.0);
}

std::string frameRateText(uint16_t rate) {
  return decimalText(rate / 256.0);
}

}  // namespace pravix
