// Describing a file: the layouts that hold a movie, then the movie's header as the one reader reads
// it, a zip's deflated movie unpacked as far as that.
#include "cli/Info.h"

#include <string>

#include "packaging/Decompression.h"

namespace pravix::cli {
namespace {

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
      info.header = readMovieHeader(read, movie.offset, movie.length);
    } else {
      RangeStream deflated(read, movie.offset, movie.length);
      DecompressedStream inflated(Codec::Deflate, deflated);
      info.header = readMovieHeader(inflated);
    }
  } else if (startsWithSignature(read, size)) {
    info.kind = FileInfo::Kind::Movie;
    info.stubSize = 0;
    info.movieSize = size;
    info.header = readMovieHeader(read, 0, size);
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
  info.header = readMovieHeader(read, 0, size);
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
  if (header.compression) {
    text += std::string("  signature: ") + signatureName(*header.compression) + " (" +
            compressionText(*header.compression) + ")\n";
    text += "  version: " + std::to_string(header.version) + "\n";
    if (header.hasLength) {
      text += "  declared length: " + bytesText(header.declaredLength) + "\n";
    }
  }
  if (header.hasFrameInfo) {
    text += "  stage: " + pixelsText(header.widthTwips) + " x " + pixelsText(header.heightTwips) +
            " pixels\n";
    text += "  frame rate: " + frameRateText(header.frameRate) + " per second\n";
    text += "  frames: " + std::to_string(header.frameCount) + "\n";
  } else if (header.frameUnknown) {
    text += "  stage: compressed, size unknown\n";
  }
  if (!header.error.empty()) text += "  header: damaged: " + header.error + "\n";
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
  if (header.compression) {
    field("signature", jsonString(signatureName(*header.compression)));
    field("compression", jsonString(compressionId(*header.compression)));
    field("version", std::to_string(header.version));
    if (header.hasLength) field("declared_length", std::to_string(header.declaredLength));
  }
  if (header.hasFrameInfo) {
    field("width", pixelsText(header.widthTwips));
    field("height", pixelsText(header.heightTwips));
    field("frame_rate", frameRateText(header.frameRate));
    field("frame_count", std::to_string(header.frameCount));
  }
  if (!header.error.empty()) field("header_error", jsonString(header.error));
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
