// The three conversions: a movie into a projector or a screen saver, and a movie out of a
// projector. Each returns false for the failures it detects itself and throws FileError for the
// rest.
#pragma once

#include <cstddef>
#include <string>

#include "packaging/PackageFormat.h"

namespace pravix {

// An empty target means the source with the routine's own extension.
bool SwfToExe(const std::string& source, const std::string& target);
bool ExeToSwf(const std::string& source, const std::string& target);
bool SwfToScr(const std::string& source, const std::string& target);

// Packs `source` behind a copy of the stub at `stubPath`; SwfToExe and SwfToScr with the stub
// chosen by the caller. `target` is used as it is.
bool PackMovie(Package package, const std::string& stubPath, const std::string& source,
               const std::string& target);

// The size of the copy buffer: the most that one copy holds in memory.
constexpr size_t kCopyBufferSize = 61440;

}  // namespace pravix
