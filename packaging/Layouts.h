// Every layout in which a file holds a movie: our projector and screen saver, and the projectors
// made for Linux (32- and 64-bit ELF), for classic Mac OS and for macOS (an application folder, or
// a zip of one). Each is recognised by its own evidence, never by a file's name. Read by the tools
// that take any projector in (`pravix extract` and `info`); the Windows program reads its own
// projector layout only, through readTrailer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "packaging/PackageFormat.h"
#include "platform/File.h"

namespace pravix {

// Reads up to `count` bytes at `offset` of a file; returns how many it read, fewer only at the
// file's end. The readers here never ask for bytes past the end.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* bytes, size_t count)>;

// Reads `file`, of `size` bytes, as ReadAt does; StreamReadError when the system cannot.
ReadAt readerOf(const File& file, uint64_t size);

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
  Located::Status status = Located::Status::NoTrailer;
  Layout layout = Layout::Projector;  // whose evidence was found, whole or damaged
  const char* reason = "";            // why there is no movie, for a person; empty when found
  uint64_t offset = 0;                // where the stored bytes start
  uint64_t length = 0;                // how many bytes are stored
  Storage storage = Storage::Plain;
  uint64_t size = 0;  // the movie's own size: `length` when plain
  uint32_t crc = 0;   // deflated: the CRC-32 the zip gives for the movie
};

// Where a file of `size` bytes holds its movie, in every layout but the folder's: our projector
// first, then the executables' formats and markers, the zip's directory, and our screen saver.
// When none holds one, the verdict is that of another layout's evidence found damaged, else our
// projector's (NoTrailer, or Damaged for a trailer cut short or too long).
MovieLocation findMovie(uint64_t size, const ReadAt& read);

// Our projector's verdict in the same terms: the one layout the Windows program reads.
MovieLocation projectorLocation(const Located& located);

// The movie file of a macOS projector kept as a folder: `folder`'s Contents/Resources/movie.swf
// when it is a file that starts with a movie signature.
std::optional<std::string> appFolderMovie(const std::string& folder, FileRules rules);

// Where the movie file of such a folder, of `size` bytes, holds its movie: the whole of it.
MovieLocation appFolderLocation(uint64_t size);

// Whether `count` bytes start as a movie does: FWS, CWS or ZWS.
bool startsAsMovie(const uint8_t* bytes, size_t count);

// The layout's name for a person ("Linux x86-64 projector"), and for a program reading ours
// ("linux_x86_64_projector").
const char* layoutName(Layout layout);
const char* layoutId(Layout layout);

}  // namespace pravix
