// Where a file holds its movie: the one verdict that every reader of our trailers and of the other
// platforms' layouts gives, and that the conversions, the stubs and `pravix` act on.
#pragma once

#include <cstdint>

namespace pravix {

enum class Layout {
  Projector,            // stub, movie, 56 34 12 FA, length (u32 LE): the marker
  ScreenSaver,          // stub, movie, length + 4 (u32 LE): a movie signature where it points
  LinuxI386Projector,   // 32-bit ELF image, length (u32 LE), 56 34 12 FA, movie
  LinuxX8664Projector,  // 64-bit ELF image, length (u64 LE), 56 34 12 FA FF FF FF FF, movie
  ClassicMacProjector,  // movie, length (u32 BE), FA 12 34 56
  MacAppZip,            // a zip whose entry *.app/Contents/Resources/movie.swf is the movie
  MacAppFolder,         // a folder whose Contents/Resources/movie.swf starts with a signature
};

// How a layout keeps the movie's bytes: as they are, or deflated (a zip's entry).
enum class Storage { Plain, Deflated };

struct MovieLocation {
  enum class Status {
    NoTrailer,  // no evidence of the layout: (projector) no marker; (screen saver) a back offset
                // that points at no movie's signature
    Damaged,    // the evidence is there, but the movie it names cannot be whole: the file is too
                // short for the trailer, or the movie would reach outside the file
    Found,      // the movie lies at `offset`; a projector's may be empty
  };
  Status status = Status::NoTrailer;
  Layout layout = Layout::Projector;  // whose evidence was found, whole or damaged
  const char* reason = "";            // why there is no movie, for a person; empty when found
  uint64_t offset = 0;                // where the stored bytes start
  uint64_t length = 0;                // how many bytes are stored
  Storage storage = Storage::Plain;
  uint64_t size = 0;  // the movie's own size: `length` when plain
  uint32_t crc = 0;   // deflated: the CRC-32 the zip gives for the movie
};

}  // namespace pravix
