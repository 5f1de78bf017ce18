// What `pravix info` tells about a file: its kind (the layout that holds its movie, a plain movie,
// a damaged projector, or none of these), where its movie lies, what the movie's header says, as
// the packaging's one reader reads it, and the files our projector or screen saver carries and the
// face its stub wears.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "packaging/GameFace.h"
#include "packaging/Layouts.h"
#include "packaging/MovieHeader.h"
#include "packaging/PackedFiles.h"

namespace pravix::cli {

struct FileInfo {
  enum class Kind { Packaged, Movie, Damaged, Other };
  Kind kind = Kind::Other;
  Layout layout = Layout::Projector;  // (Packaged, Damaged) whose layout
  uint64_t fileSize = 0;
  // The bytes before the movie, where the file holds it as it is (0 for a plain movie); unknown
  // for a folder's movie and a deflated one.
  std::optional<uint64_t> stubSize;
  uint64_t movieSize = 0;
  MovieHeader header;  // for Packaged and Movie; its error tells why it cannot be read whole
  std::string damage;  // (Damaged) what is wrong with the trailer
  // (Packaged, in our projector or screen saver) the files carried before the movie, which the
  // stub's size counts.
  PackedFiles packed;
  // (Packaged, in our projector or screen saver) the icon, title, full screen and version strings
  // of its stub, when the stub is a PE image whose resources can be read.
  std::optional<GameFace> face;
};

// Describes a file of `size` bytes: packaged in a layout, as the extraction finds it (Layouts.h);
// else a movie by its own signature; else damaged when a layout's evidence was found damaged.
FileInfo describeFile(uint64_t size, const ReadAt& read);

// Describes a macOS projector kept as a folder by its movie file, of `size` bytes.
FileInfo describeAppFolder(uint64_t size, const ReadAt& read);

// The description as lines of text for a person, with a line for each packed file when
// `eachFile` is set; and as one line of JSON, every packed file in it.
std::string infoText(const std::string& name, const FileInfo& info, bool eachFile = false);
std::string infoJson(const std::string& name, const FileInfo& info);

}  // namespace pravix::cli
