// Reading a movie's header for the stubs.
#include "stubs/MovieInfo.h"

#include <cstdio>

namespace pravix::stub {
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

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// Twips and 8.8 frame rates are usually whole numbers; fractions keep two decimals.
std::string number(double value) {
  const auto whole = static_cast<long long>(value);
  if (static_cast<double>(whole) == value) return std::to_string(whole);
  return format("%.2f", value);
}

std::string signatureText(const MovieHeader& header) {
  std::string printable;
  for (uint8_t byte : header.signatureBytes) {
    if (byte < 0x20 || byte > 0x7E) {
      printable.clear();
      for (uint8_t each : header.signatureBytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", each);
        printable += printable.empty() ? hex : std::string(" ") + hex;
      }
      break;
    }
    printable += static_cast<char>(byte);
  }
  return printable;
}

}  // namespace

MovieHeader readMovieHeader(const uint8_t* bytes, size_t count) {
  MovieHeader header;
  if (count < 4) return header;
  for (int i = 0; i < 3; ++i) header.signatureBytes[i] = bytes[i];
  header.version = bytes[3];
  const std::string signature(reinterpret_cast<const char*>(bytes), 3);
  if (signature == "FWS") {
    header.signature = MovieHeader::Signature::Uncompressed;
  } else if (signature == "CWS") {
    header.signature = MovieHeader::Signature::Zlib;
  } else if (signature == "ZWS") {
    header.signature = MovieHeader::Signature::Lzma;
  } else {
    header.signature = MovieHeader::Signature::Unknown;
  }
  // Past the 4-byte file length, only an uncompressed movie shows its frame in plain bytes.
  constexpr size_t kFrameStart = 8;
  if (header.signature != MovieHeader::Signature::Uncompressed || count <= kFrameStart) {
    return header;
  }
  BitReader reader(bytes + kFrameStart, count - kFrameStart);
  uint32_t bits = 0;
  int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  if (!reader.readUnsigned(5, bits) || !reader.readSigned(bits, xMin) ||
      !reader.readSigned(bits, xMax) || !reader.readSigned(bits, yMin) ||
      !reader.readSigned(bits, yMax)) {
    return header;
  }
  const size_t rateAt = kFrameStart + reader.bytesUsed();
  if (count < rateAt + 4) return header;
  header.hasFrameInfo = true;
  header.widthTwips = xMax - xMin;
  header.heightTwips = yMax - yMin;
  header.frameRate = static_cast<uint16_t>(bytes[rateAt] | bytes[rateAt + 1] << 8);
  header.frameCount = static_cast<uint16_t>(bytes[rateAt + 2] | bytes[rateAt + 3] << 8);
  return header;
}

std::string describeMovie(uint32_t length, const MovieHeader& header, Detail detail) {
  const bool brief = detail == Detail::Brief;
  std::string text = (brief ? "" : "Movie size: ") + std::to_string(length) + " bytes\n";
  const std::string signature = signatureText(header);
  const std::string version = std::to_string(header.version);
  switch (header.signature) {
    case MovieHeader::Signature::TooShort:
      return text + "Too short to hold a movie header";
    case MovieHeader::Signature::Unknown:
      if (brief) return text + "Not a movie: " + signature;
      return text + "Signature: " + signature +
             " (not a recognised movie signature)\nVersion byte: " + version;
    case MovieHeader::Signature::Uncompressed:
      text += brief ? signature + " v" + version : "Signature: FWS (uncompressed)";
      break;
    case MovieHeader::Signature::Zlib:
      text += brief ? signature + " v" + version : "Signature: CWS (zlib compressed)";
      break;
    case MovieHeader::Signature::Lzma:
      text += brief ? signature + " v" + version : "Signature: ZWS (LZMA compressed)";
      break;
  }
  if (brief) return text;
  text += "\nVersion: " + version;
  if (header.hasFrameInfo) {
    text += "\nFrame size: " + number(header.widthTwips / 20.0) + " x " +
            number(header.heightTwips / 20.0) + " px";
    text += "\nFrame rate: " + number(header.frameRate / 256.0) + " fps";
    text += "\nFrame count: " + std::to_string(header.frameCount);
  }
  return text;
}

}  // namespace pravix::stub
