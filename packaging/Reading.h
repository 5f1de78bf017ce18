// Reading a file's bytes for the packaging's readers: at offsets, through a function that a test or
// a fuzzer can stand in for the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/File.h"

namespace pravix {

// Reads up to `count` bytes at `offset` of a file; returns how many it read, fewer only at the
// file's end. The packaging's readers never ask for bytes past the end.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* bytes, size_t count)>;

// Reads `file`, of `size` bytes, as ReadAt does; StreamReadError when the system cannot.
ReadAt readerOf(const File& file, uint64_t size);

}  // namespace pravix
