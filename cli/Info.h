// What `pravix info` tells about a file: its kind, where its movie lies, and what the movie's
// header says, read from the first bytes only (decompressed as far as the frame where needed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "packaging/MovieHeader.h"

namespace pravix::cli {

// Reads up to `count` bytes at `offset` of the file described; returns how many it read, fewer
// only at the file's end.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* bytes, size_t count)>;

struct FileInfo {
  enum class Kind { Projector, ScreenSaver, Movie, DamagedProjector, Other };
  Kind kind = Kind::Other;
  uint64_t fileSize = 0;
  uint64_t stubSize = 0;  // the bytes before the movie (0 for a plain movie)
  uint64_t movieSize = 0;
  MovieHeader header;       // for every kind but Other
  std::string headerError;  // why the header cannot be read whole; empty when it can
  std::string damage;       // (DamagedProjector) what is wrong with the trailer
};

// Describes a file of `size` bytes. A projector is told by its trailer, a screen saver by a back
// offset that points inside the file at a movie signature, a movie by its own signature; a file
// that is none of these but whose projector trailer is damaged, as the extraction finds it, is a
// damaged projector.
FileInfo describeFile(uint64_t size, const ReadAt& read);

// The description as lines of text for a person, and as one line of JSON.
std::string infoText(const std::string& name, const FileInfo& info);
std::string infoJson(const std::string& name, const FileInfo& info);

// `text` as a JSON string, quotes included: control characters escaped, bytes that are not UTF-8
// replaced with U+FFFD.
std::string jsonString(std::string_view text);

}  // namespace pravix::cli
