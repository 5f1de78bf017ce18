// Describing a file: the layouts that hold a movie, then the movie's header as the one reader reads
// it, a zip's deflated movie unpacked as far as that, the table of the files packed before it, and
// the face its stub wears.
#include "cli/Info.h"

#include <string>

#include "packaging/Decompression.h"
#include "platform/Text.h"

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

// `text` as a terminal shows it harmlessly: each control character (C0, DEL and C1, by which a
// package's strings could move the cursor or change the terminal) replaced with U+FFFD.
std::string shownText(std::string_view text) {
  constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1) {
      shown += kReplacement;
      if (c1) ++i;
    } else {
      shown += text[i];
    }
  }
  return shown;
}

// The lines that tell a stub's face: its icon's sizes, then title, full screen and version strings
// where the stub has them.
std::string faceText(const GameFace& face) {
  std::string text;
  for (const IconSize& image : face.icon) {
    text += std::string(text.empty() ? "  icon: " : ", ") + std::to_string(image.width) + "x" +
            std::to_string(image.height);
  }
  if (!text.empty()) text += "\n";
  if (face.title) text += "  title: " + shownText(*face.title) + "\n";
  if (face.fullScreen) text += "  full screen: yes\n";
  if (!face.version.empty()) text += "  version info:\n";
  for (const VersionString& string : face.version) {
    text += "    " + shownText(string.name) + ": " + shownText(string.value) + "\n";
  }
  return text;
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
      if (movie.layout == Layout::Projector || movie.layout == Layout::ScreenSaver) {
        info.packed = readPackedFiles(read, movie.offset);
        info.face = readGameFace(read, size);
      }
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

std::string infoText(const std::string& name, const FileInfo& info, bool eachFile) {
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
    if (info.face) text += faceText(*info.face);
    const PackedFiles& packed = info.packed;
    if (packed.status == PackedFiles::Status::Damaged) {
      text += "  files: damaged: " + packed.reason + "\n";
    } else if (packed.status == PackedFiles::Status::Found) {
      text += "  files: " + std::to_string(packed.files.size()) + " (" + bytesText(packed.bytes) +
              ")\n";
      for (size_t i = 0; eachFile && i < packed.files.size(); ++i) {
        text += "    " + packed.files[i].name + ": " + bytesText(packed.files[i].size) + "\n";
      }
    }
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
  if (info.face) {
    std::string icon, version;
    for (const IconSize& image : info.face->icon) {
      icon += std::string(icon.empty() ? "" : ",") + "{\"width\":" + std::to_string(image.width) +
              ",\"height\":" + std::to_string(image.height) +
              ",\"bits\":" + std::to_string(image.bitCount) + "}";
    }
    for (const VersionString& string : info.face->version) {
      version += std::string(version.empty() ? "" : ",") + jsonString(string.name) + ":" +
                 jsonString(string.value);
    }
    field("icon", "[" + icon + "]");
    if (info.face->title) field("title", jsonString(*info.face->title));
    field("fullscreen", info.face->fullScreen ? "true" : "false");
    field("version_info", "{" + version + "}");
  }
  if (info.packed.status == PackedFiles::Status::Damaged) {
    field("files_error", jsonString(info.packed.reason));
  } else if (info.packed.status == PackedFiles::Status::Found) {
    std::string list;
    for (const PackedFile& file : info.packed.files) {
      list += std::string(list.empty() ? "" : ",") + "{\"name\":" + jsonString(file.name) +
              ",\"size\":" + std::to_string(file.size) + "}";
    }
    field("files", "{\"count\":" + std::to_string(info.packed.files.size()) + ",\"size\":" +
                       std::to_string(info.packed.bytes) + ",\"list\":[" + list + "]}");
  }
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

}  // namespace pravix::cli
