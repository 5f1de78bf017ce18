// Reading a file's bytes for the packaging's readers: at offsets, through a function that a test or
// a fuzzer can stand in for the file, and in order, as a stream that a decompressor can stand on.
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

// Bytes read in order, as far as they go: a part of a file, or what a decompressor makes of
// another stream.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Reads up to `count` bytes into `bytes`; fewer only where the stream ends (or proves damaged,
  // where a stream can tell it).
  virtual size_t read(uint8_t* bytes, size_t count) = 0;
};

// The `length` bytes at `offset` of the file that `read` reads, in order.
class RangeStream : public ByteStream {
 public:
  RangeStream(const ReadAt& read, uint64_t offset, uint64_t length)
      : read_(read), offset_(offset), left_(length) {}
  size_t read(uint8_t* bytes, size_t count) override;

 private:
  const ReadAt& read_;
  uint64_t offset_;
  uint64_t left_;
};

}  // namespace pravix
