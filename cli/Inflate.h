// The movies that a zip keeps deflated, unpacked by the system's zlib: whole for `extract`, and as
// far as their header for `info`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "packaging/Conversion.h"

namespace pravix::cli {

// Writes the whole movie at the position of `to`, as Job::inflate asks.
void inflateMovie(const File& from, const MovieLocation& movie, File& to, const Progress& progress);

// The start of a deflated movie, unpacked as far as it is read, in order and at most kLimit bytes:
// a header needs a few dozen.
class InflatedStart {
 public:
  static constexpr size_t kLimit = 1 << 20;

  // The deflated bytes lie at `movie.offset` of the file that `read` reads.
  InflatedStart(const ReadAt& read, const MovieLocation& movie);
  ~InflatedStart();
  InflatedStart(const InflatedStart&) = delete;
  InflatedStart& operator=(const InflatedStart&) = delete;

  // Reads as ReadAt does; bytes past what the data or the limit give are not there.
  size_t read(uint64_t offset, uint8_t* bytes, size_t count);

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
};

}  // namespace pravix::cli
