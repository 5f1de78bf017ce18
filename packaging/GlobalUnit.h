// The three conversions: a movie into a projector or a screen saver, and a movie out of a
// projector. Each returns false for the failures it detects itself and throws FileError for the
// rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "packaging/PackageFormat.h"

namespace pravix {

class File;

// An empty target means the source with the routine's own extension.
bool SwfToExe(const std::string& source, const std::string& target);
bool ExeToSwf(const std::string& source, const std::string& target);
bool SwfToScr(const std::string& source, const std::string& target);

// Told, part by part, how many of a copy's `total` bytes are `done`.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

// Packs `source` behind a copy of the stub at `stubPath`; SwfToExe and SwfToScr with the stub
// chosen by the caller. `target` is used as it is.
bool PackMovie(Package package, const std::string& stubPath, const std::string& source,
               const std::string& target, const Progress& progress = nullptr);

// Extraction in steps, for callers that tell its outcomes apart or send the movie elsewhere.
// Refuses a source that is also the target (FileRefusedError).
void refuseSameFile(const std::string& source, const std::string& target);
// Reads the trailer of an open projector, the marker first: a file shorter than the trailer is
// read from its start, so that one of four to seven bytes is refused by its marker before its
// length comes up short.
Located readProjectorTrailer(File& projector);
// Copies the movie at `movie` out of `projector` to the position of `to` (standard output, say).
void copyMovie(File& projector, const MovieRange& movie, File& to,
               const Progress& progress = nullptr);
// Copies the movie at `movie` out of `projector` into a new file at `target`, all or nothing.
void copyMovieOut(File& projector, const MovieRange& movie, const std::string& target,
                  const Progress& progress = nullptr);

// The size of the copy buffer: the most that one copy holds in memory.
constexpr size_t kCopyBufferSize = 61440;

}  // namespace pravix
