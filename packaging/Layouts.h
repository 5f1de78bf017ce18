// Every layout in which a file holds a movie: our projector and screen saver, and the projectors
// made for Linux (32- and 64-bit ELF), for classic Mac OS and for macOS (an application folder, or
// a zip of one). Each is recognised by its own evidence, never by a file's name. Read by the tools
// that take any projector in (`pravix extract` and `info`); the Windows program reads its own
// projector layout only, through locatePackage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "packaging/MovieLocation.h"
#include "packaging/Reading.h"
#include "platform/File.h"

namespace pravix {

// Where a file of `size` bytes holds its movie, in every layout but the folder's: our projector
// first, then the executables' formats and markers, the zip's directory, and our screen saver.
// When none holds one, the verdict is that of another layout's evidence found damaged, else our
// projector's (NoTrailer, or Damaged for a trailer cut short or too long).
MovieLocation findMovie(uint64_t size, const ReadAt& read);

// The movie file of a macOS projector kept as a folder: `folder`'s Contents/Resources/movie.swf
// when it is a file that starts with a movie signature.
std::optional<std::string> appFolderMovie(const std::string& folder, FileRules rules);

// Where the movie file of such a folder, of `size` bytes, holds its movie: the whole of it.
MovieLocation appFolderLocation(uint64_t size);

// The layout's name for a person ("Linux x86-64 projector"), and for a program reading ours
// ("linux_x86_64_projector").
const char* layoutName(Layout layout);
const char* layoutId(Layout layout);

}  // namespace pravix
