// Describing a file: the layouts that hold a movie, then the movie's first bytes, decompressed by
// the system's zlib and liblzma only as far as the frame.
#include "cli/Info.h"

#define ZLIB_CONST
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

#include "cli/Inflate.h"

namespace pravix::cli {
namespace {

// The decompressed bytes that follow the first 8 and hold the frame: the stage rectangle (17
// bytes at the most), the frame rate and the frame count.
constexpr size_t kFrameBytes = kMovieHeaderBytes - kMovieFrameStart;
// The compressed bytes read from the file at a time.
constexpr size_t kInputChunk = 4096;
// An LZMA movie: the compressed length (bytes 8 to 11), the LZMA properties (12 to 16: the
// literal and position bits, then the dictionary size), then raw LZMA data.
constexpr size_t kLzmaPropertiesAt = 12;
constexpr size_t kLzmaDataAt = 17;
// liblzma's smallest dictionary. Nothing past the first kFrameBytes is decoded, so no match can
// reach further back than that, and a small dictionary keeps a forged size from costing memory.
constexpr uint32_t kLzmaDictionary = 4096;
constexpr uint64_t kLzmaMemoryLimit = 16 * 1024 * 1024;

struct Range {
  uint64_t offset = 0;
  uint64_t length = 0;
};

enum class Step { More, End, Damaged };

// The input and the output of a decompression step, moved on by it.
struct Window {
  const uint8_t* in;
  size_t inLeft;
  uint8_t* out;
  size_t outLeft;
};

// Runs one step of a zlib or a liblzma stream, whose fields have the same names, over `window`.
template <typename Stream, typename Code>
auto runStream(Stream& stream, Window& window, Code code) {
  stream.next_in = window.in;
  stream.avail_in = static_cast<decltype(stream.avail_in)>(window.inLeft);
  stream.next_out = window.out;
  stream.avail_out = static_cast<decltype(stream.avail_out)>(window.outLeft);
  const auto result = code(&stream);
  window = {stream.next_in, stream.avail_in, stream.next_out, stream.avail_out};
  return result;
}

// A decompressor fed part by part.
class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual Step decode(Window& window) = 0;
  const std::string& error() const { return error_; }

 protected:
  std::string error_;
};

class ZlibDecoder : public Decoder {
 public:
  ZlibDecoder() {
    if (inflateInit(&stream_) != Z_OK) throw std::bad_alloc();
  }
  ~ZlibDecoder() override { inflateEnd(&stream_); }
  ZlibDecoder(const ZlibDecoder&) = delete;
  ZlibDecoder& operator=(const ZlibDecoder&) = delete;

  Step decode(Window& window) override {
    const int result =
        runStream(stream_, window, [](z_stream* stream) { return inflate(stream, Z_NO_FLUSH); });
    if (result == Z_OK) return Step::More;
    if (result == Z_STREAM_END) return Step::End;
    error_ = std::string("the zlib data is damaged (") +
             (stream_.msg != nullptr ? stream_.msg : zError(result)) + ")";
    return Step::Damaged;
  }

 private:
  z_stream stream_{};
};

class LzmaDecoder : public Decoder {
 public:
  LzmaDecoder() {
    if (lzma_alone_decoder(&stream_, kLzmaMemoryLimit) != LZMA_OK) throw std::bad_alloc();
  }
  ~LzmaDecoder() override { lzma_end(&stream_); }
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  Step decode(Window& window) override {
    const lzma_ret result =
        runStream(stream_, window, [](lzma_stream* stream) { return lzma_code(stream, LZMA_RUN); });
    if (result == LZMA_OK) return Step::More;
    if (result == LZMA_STREAM_END) return Step::End;
    error_ = result == LZMA_FORMAT_ERROR || result == LZMA_OPTIONS_ERROR
                 ? "the LZMA properties are not valid"
                 : "the LZMA data is damaged";
    return Step::Damaged;
  }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// Feeds `first`, then the file's bytes in `from`, to `decoder` until `frame` holds kFrameBytes,
// the data ends, or it proves damaged (with `error` set). Returns the bytes decompressed.
size_t decompressFrame(Decoder& decoder, const ReadAt& read, Range from, std::vector<uint8_t> first,
                       uint8_t* frame, std::string& error) {
  std::vector<uint8_t> input = std::move(first);
  Window window{input.data(), input.size(), frame, kFrameBytes};
  while (window.outLeft > 0) {
    if (window.inLeft == 0) {
      input.resize(static_cast<size_t>(std::min<uint64_t>(kInputChunk, from.length)));
      input.resize(input.empty() ? 0 : read(from.offset, input.data(), input.size()));
      if (input.empty()) break;
      from.offset += input.size();
      from.length -= input.size();
      window.in = input.data();
      window.inLeft = input.size();
    }
    const Window before = window;
    const Step step = decoder.decode(window);
    const bool moved = window.inLeft != before.inLeft || window.outLeft != before.outLeft;
    if (step == Step::Damaged || (step == Step::More && !moved)) {
      error = decoder.error().empty() ? "the compressed data is damaged" : decoder.error();
      break;
    }
    if (step == Step::End) break;
  }
  return kFrameBytes - window.outLeft;
}

std::string bytesText(uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// The bytes of the header up to the frame's end: signature, version, length, the stage rectangle
// (five bits of field width, four fields) and the frame rate and count.
uint64_t headerLength(const uint8_t* frame) {
  const unsigned fieldBits = frame[0] >> 3;
  return kMovieFrameStart + (5 + 4 * fieldBits + 7) / 8 + 4;
}

// A header that reads whole but cannot be true is told as damaged, and its figures are dropped.
std::string refuseImpossible(MovieHeader& header, const uint8_t* frame) {
  if (header.hasFrameInfo && header.declaredLength < headerLength(frame)) {
    header.hasLength = header.hasFrameInfo = false;
    return "the declared length is shorter than the header";
  }
  if (header.hasFrameInfo && (header.widthTwips < 0 || header.heightTwips < 0)) {
    header.hasFrameInfo = false;
    return "the stage rectangle is inverted";
  }
  return {};
}

// Reads the header of the movie in `movie`; returns why it cannot be read whole, or nothing.
std::string readHeader(const ReadAt& read, Range movie, MovieHeader& header) {
  uint8_t prefix[kMovieHeaderBytes] = {};
  const size_t count = read(movie.offset, prefix,
                            static_cast<size_t>(std::min<uint64_t>(movie.length, sizeof prefix)));
  header = readMovieHeader(prefix, count);
  switch (header.signature) {
    case MovieHeader::Signature::TooShort:
      return "the movie ends after " + bytesText(count) + ", inside its signature";
    case MovieHeader::Signature::Unknown:
      return "the movie's signature is not FWS, CWS or ZWS";
    default:
      break;
  }
  if (!header.hasLength) {
    return "the movie ends after " + bytesText(count) + ", inside its declared length";
  }
  uint8_t frame[kFrameBytes] = {};
  size_t decompressed = 0;
  std::string error;
  if (header.signature == MovieHeader::Signature::Uncompressed) {
    if (header.hasFrameInfo) return refuseImpossible(header, prefix + kMovieFrameStart);
    return "the movie ends after " + bytesText(count) + ", inside its frame";
  } else if (header.signature == MovieHeader::Signature::Zlib) {
    ZlibDecoder decoder;
    decompressed =
        decompressFrame(decoder, read, {movie.offset + 8, movie.length - 8}, {}, frame, error);
  } else {
    if (count < kLzmaDataAt) {
      return "the movie ends after " + bytesText(count) + ", inside its LZMA properties";
    }
    // The 13-byte header liblzma reads: the properties, the dictionary size made small, and an
    // unknown uncompressed size.
    std::vector<uint8_t> first(prefix + kLzmaPropertiesAt, prefix + kLzmaDataAt);
    for (int i = 0; i < 4; ++i) first[1 + i] = static_cast<uint8_t>(kLzmaDictionary >> (8 * i));
    first.insert(first.end(), 8, 0xFF);
    LzmaDecoder decoder;
    decompressed =
        decompressFrame(decoder, read, {movie.offset + kLzmaDataAt, movie.length - kLzmaDataAt},
                        std::move(first), frame, error);
  }
  if (!error.empty()) return error;
  if (readMovieFrame(frame, decompressed, header)) return refuseImpossible(header, frame);
  return "the decompressed header ends after " + bytesText(kMovieFrameStart + decompressed) +
         ", inside its frame";
}

bool startsWithSignature(const ReadAt& read, uint64_t size) {
  uint8_t bytes[kSignatureSize] = {};
  return size >= sizeof bytes && read(0, bytes, sizeof bytes) == sizeof bytes &&
         movieSignature(bytes, sizeof bytes);
}

// The kind for a person, and as JSON names it.
std::string kindText(const FileInfo& info) {
  switch (info.kind) {
    case FileInfo::Kind::Packaged:
      return layoutName(info.layout);
    case FileInfo::Kind::Movie:
      return "movie";
    case FileInfo::Kind::Damaged:
      return std::string("damaged ") + layoutName(info.layout);
    case FileInfo::Kind::Other:
      break;
  }
  return "none";
}

const char* kindJson(const FileInfo& info) {
  switch (info.kind) {
    case FileInfo::Kind::Packaged:
      return layoutId(info.layout);
    case FileInfo::Kind::Movie:
      return "movie";
    case FileInfo::Kind::Damaged:
      return "damaged_projector";
    case FileInfo::Kind::Other:
      break;
  }
  return "none";
}

const char* compressionName(MovieHeader::Signature signature) {
  return signature == MovieHeader::Signature::Zlib   ? "zlib"
         : signature == MovieHeader::Signature::Lzma ? "lzma"
                                                     : "none";
}

bool knownSignature(const MovieHeader& header) {
  return header.signature == MovieHeader::Signature::Uncompressed ||
         header.signature == MovieHeader::Signature::Zlib ||
         header.signature == MovieHeader::Signature::Lzma;
}

std::string signatureText(const MovieHeader& header) {
  return std::string(reinterpret_cast<const char*>(header.signatureBytes), 3);
}

// Where a UTF-8 sequence that starts at `at` ends, when it is well formed; `at` when it is not.
size_t utf8End(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || at + length > text.size()) return at;
  uint32_t code = lead & (0x7Fu >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return at;
    code = code << 6 | (next & 0x3Fu);
  }
  const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return at;
  return at + length;
}

}  // namespace

FileInfo describeFile(uint64_t size, const ReadAt& read) {
  FileInfo info;
  info.fileSize = size;
  const MovieLocation movie = findMovie(size, read);
  if (movie.status == MovieLocation::Status::Found) {
    info.kind = FileInfo::Kind::Packaged;
    info.layout = movie.layout;
    info.movieSize = movie.size;
    if (movie.storage == Storage::Plain) {
      info.stubSize = movie.offset;
      info.headerError = readHeader(read, {movie.offset, movie.length}, info.header);
    } else {
      InflatedStart start(read, movie);
      info.headerError =
          readHeader([&start](uint64_t offset, uint8_t* bytes,
                              size_t count) { return start.read(offset, bytes, count); },
                     {0, movie.size}, info.header);
    }
  } else if (startsWithSignature(read, size)) {
    info.kind = FileInfo::Kind::Movie;
    info.stubSize = 0;
    info.movieSize = size;
    info.headerError = readHeader(read, {0, size}, info.header);
  } else if (movie.status == MovieLocation::Status::Damaged) {
    info.kind = FileInfo::Kind::Damaged;
    info.layout = movie.layout;
    info.damage = movie.reason;
  }
  return info;
}

FileInfo describeAppFolder(uint64_t size, const ReadAt& read) {
  FileInfo info;
  info.kind = FileInfo::Kind::Packaged;
  info.layout = Layout::MacAppFolder;
  info.fileSize = info.movieSize = size;
  info.headerError = readHeader(read, {0, size}, info.header);
  return info;
}

std::string infoText(const std::string& name, const FileInfo& info) {
  std::string text = name + ": ";
  if (info.kind == FileInfo::Kind::Other) {
    return text + "none of these: not a projector, a screen saver or a movie (" +
           bytesText(info.fileSize) + ")\n";
  }
  text += kindText(info) + " (" + bytesText(info.fileSize) + ")\n";
  if (info.kind == FileInfo::Kind::Damaged)
    return text + "  trailer: damaged: " + info.damage + "\n";
  if (info.kind == FileInfo::Kind::Packaged) {
    if (info.stubSize) text += "  stub: " + bytesText(*info.stubSize) + "\n";
    text += "  movie: " + bytesText(info.movieSize) + "\n";
  }
  const MovieHeader& header = info.header;
  if (knownSignature(header)) {
    const char* compression = compressionName(header.signature);
    text += "  signature: " + signatureText(header) +
            (header.signature == MovieHeader::Signature::Uncompressed
                 ? " (not compressed)"
                 : std::string(" (") + compression + " compressed)") +
            "\n";
    text += "  version: " + std::to_string(header.version) + "\n";
  }
  if (header.hasLength && knownSignature(header)) {
    text += "  declared length: " + bytesText(header.declaredLength) + "\n";
  }
  if (header.hasFrameInfo) {
    text += "  stage: " + pixelsText(header.widthTwips) + " x " + pixelsText(header.heightTwips) +
            " pixels\n";
    text += "  frame rate: " + frameRateText(header.frameRate) + " per second\n";
    text += "  frames: " + std::to_string(header.frameCount) + "\n";
  }
  if (!info.headerError.empty()) text += "  header: damaged: " + info.headerError + "\n";
  return text;
}

std::string infoJson(const std::string& name, const FileInfo& info) {
  std::string json = "{\"file\":" + jsonString(name) + ",\"kind\":\"" + kindJson(info) +
                     "\",\"size\":" + std::to_string(info.fileSize);
  const auto field = [&json](const char* key, const std::string& value) {
    json += std::string(",\"") + key + "\":" + value;
  };
  if (info.kind == FileInfo::Kind::Damaged) field("trailer_error", jsonString(info.damage));
  if (info.stubSize) field("stub_size", std::to_string(*info.stubSize));
  if (info.kind == FileInfo::Kind::Packaged || info.kind == FileInfo::Kind::Movie) {
    field("movie_size", std::to_string(info.movieSize));
  }
  const MovieHeader& header = info.header;
  if (knownSignature(header)) {
    field("signature", jsonString(signatureText(header)));
    field("compression", jsonString(compressionName(header.signature)));
    field("version", std::to_string(header.version));
    if (header.hasLength) field("declared_length", std::to_string(header.declaredLength));
  }
  if (header.hasFrameInfo) {
    field("width", pixelsText(header.widthTwips));
    field("height", pixelsText(header.heightTwips));
    field("frame_rate", frameRateText(header.frameRate));
    field("frame_count", std::to_string(header.frameCount));
  }
  if (!info.headerError.empty()) field("header_error", jsonString(info.headerError));
  return json + "}\n";
}

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  for (size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      json += "\\u00";
      json += kHex[c >> 4];
      json += kHex[c & 0xF];
    } else if (c >= 0x80) {
      const size_t end = utf8End(text, at);
      if (end == at) {
        json += "\\ufffd";
        ++at;
      } else {
        json.append(text.substr(at, end - at));
        at = end;
      }
      continue;
    } else {
      json += static_cast<char>(c);
    }
    ++at;
  }
  return json + "\"";
}

}  // namespace pravix::cli
