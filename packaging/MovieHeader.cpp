// Reading a movie's header: the fixed fields, then the frame's bit-packed rectangle, plain or
// through the decompressor its signature names.
#include "packaging/MovieHeader.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "packaging/ByteOrder.h"
#include "packaging/Decompression.h"

namespace pravix {
namespace {

// Where the frame starts: after the signature, the version and the declared length.
constexpr size_t kFrameStart = 8;
// The frame's bytes at the most: a rectangle of four 31-bit fields (17 bytes), the frame rate and
// the frame count.
constexpr size_t kFrameBytes = 21;
// An LZMA movie keeps the compressed length (4 bytes) and the LZMA properties (5: the literal and
// position bits, then the dictionary size) before its raw LZMA data.
constexpr size_t kLzmaFieldsSize = 9;
constexpr size_t kLzmaPropertiesAt = 4;
// liblzma's smallest dictionary. Nothing past the frame is decoded, so no match can reach further
// back than that, and a small dictionary keeps a forged size from costing memory.
constexpr uint32_t kLzmaDictionary = 4096;

struct Names {
  const char* signature;
  const char* id;
  const char* text;
};
// In the order of Compression.
constexpr Names kNames[] = {
    {"FWS", "none", "not compressed"},
    {"CWS", "zlib", "zlib compressed"},
    {"ZWS", "lzma", "LZMA compressed"},
};

const Names& namesOf(Compression compression) {
  return kNames[static_cast<size_t>(compression)];
}

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

// Reads the frame from its `count` bytes (those after the first 8, decompressed), and holds it to
// the rules of a possible header; false when the bytes end inside it.
bool readFrame(const uint8_t* frame, size_t count, MovieHeader& header) {
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
  // A header that reads whole but cannot be true is told as damaged, and its figures are dropped.
  if (header.declaredLength < kFrameStart + rateAt + 4) {
    header.hasLength = false;
    header.error = "the declared length is shorter than the header";
  } else if (xMax < xMin || yMax < yMin) {
    header.error = "the stage rectangle is inverted";
  } else {
    header.hasFrameInfo = true;
    header.widthTwips = xMax - xMin;
    header.heightTwips = yMax - yMin;
    header.frameRate = littleEndian16(frame + rateAt);
    header.frameCount = littleEndian16(frame + rateAt + 2);
  }
  return true;
}

// Reads the frame that `unpacked` makes of the movie's compressed part.
void readCompressedFrame(DecompressedStream& unpacked, MovieHeader& header) {
  uint8_t frame[kFrameBytes] = {};
  const size_t count = unpacked.read(frame, sizeof frame);
  if (!unpacked.error().empty()) {
    header.error = unpacked.error();
  } else if (!readFrame(frame, count, header)) {
    header.error = "the decompressed header ends after " + bytesText(kFrameStart + count) +
                   ", inside its frame";
  }
}

}  // namespace

std::optional<Compression> movieSignature(const uint8_t* bytes, size_t count) {
  if (count < kSignatureSize) return std::nullopt;
  for (const Compression compression : {Compression::None, Compression::Zlib, Compression::Lzma}) {
    if (std::memcmp(bytes, namesOf(compression).signature, kSignatureSize) == 0) {
      return compression;
    }
  }
  return std::nullopt;
}

const char* signatureName(Compression compression) {
  return namesOf(compression).signature;
}

const char* compressionId(Compression compression) {
  return namesOf(compression).id;
}

const char* compressionText(Compression compression) {
  return namesOf(compression).text;
}

MovieHeader readMovieHeader(ByteStream& movie) {
  MovieHeader header;
  uint8_t start[kFrameStart] = {};
  const size_t count = movie.read(start, sizeof start);
  if (count < kSignatureSize + 1) {
    header.error = "the movie ends after " + bytesText(count) + ", inside its signature";
    return header;
  }
  header.hasSignature = true;
  std::memcpy(header.signatureBytes, start, kSignatureSize);
  header.version = start[kSignatureSize];
  header.compression = movieSignature(start, count);
  if (!header.compression) {
    header.error = "the movie's signature is not FWS, CWS or ZWS";
    return header;
  }
  if (count < kFrameStart) {
    header.error = "the movie ends after " + bytesText(count) + ", inside its declared length";
    return header;
  }
  header.hasLength = true;
  header.declaredLength = littleEndian32(start + 4);

  switch (*header.compression) {
    case Compression::None: {
      uint8_t frame[kFrameBytes] = {};
      const size_t framed = movie.read(frame, sizeof frame);
      if (!readFrame(frame, framed, header)) {
        header.error =
            "the movie ends after " + bytesText(kFrameStart + framed) + ", inside its frame";
      }
      break;
    }
    case Compression::Zlib: {
      DecompressedStream unpacked(Codec::Zlib, movie);
      readCompressedFrame(unpacked, header);
      break;
    }
    case Compression::Lzma: {
      uint8_t fields[kLzmaFieldsSize] = {};
      const size_t got = movie.read(fields, sizeof fields);
      if (got < sizeof fields) {
        header.error =
            "the movie ends after " + bytesText(kFrameStart + got) + ", inside its LZMA properties";
      } else if (!canDecompress(Codec::Lzma)) {
        header.frameUnknown = true;
      } else {
        // The header liblzma reads: the properties, the dictionary size made small, and an
        // unknown uncompressed size.
        std::vector<uint8_t> lzmaHeader(13, 0xFF);
        lzmaHeader[0] = fields[kLzmaPropertiesAt];
        putLittleEndian(lzmaHeader.data() + 1, kLzmaDictionary, 4);
        DecompressedStream unpacked(Codec::Lzma, movie, std::move(lzmaHeader));
        readCompressedFrame(unpacked, header);
      }
      break;
    }
  }
  return header;
}

MovieHeader readMovieHeader(const ReadAt& read, uint64_t offset, uint64_t length) {
  RangeStream movie(read, offset, length);
  return readMovieHeader(movie);
}

std::string bytesText(uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string pixelsText(int32_t twips) {
  return decimalText(twips / 20.0);
}

std::string frameRateText(uint16_t rate) {
  return decimalText(rate / 256.0);
}

}  // namespace pravix
