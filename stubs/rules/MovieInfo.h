// A movie's header as text for a person. Free of Win32 so that it can be checked on any host.
#pragma once

#include <cstdint>
#include <string>

#include "packaging/MovieHeader.h"

namespace pravix::stub {

enum class Detail { Full, Brief };

// Lines of text, separated by "\n", for a person: size, signature, version, frame details (or that
// the frame is compressed, its size unknown).
std::string describeMovie(uint64_t length, const MovieHeader& header, Detail detail);

}  // namespace pravix::stub
