// A movie's header with its frame (the stage's size) read also from a zlib-compressed movie, whose
// frame lies in its compressed part.
#pragma once

#include "packaging/MovieHeader.h"
#include "packaging/PackageFormat.h"
#include "platform/File.h"

namespace pravix::stub {

// The header of the movie at `movie` in `file`; an LZMA-compressed movie's frame is not read.
// A movie too short or damaged gives a header without frame information.
MovieHeader readStageHeader(const File& file, const MovieLocation& movie);

}  // namespace pravix::stub
