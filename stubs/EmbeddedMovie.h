// The movie a stub carries at the end of its own file, read through its package's trailer. Needs
// only the file layer and is built on every host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "packaging/MovieHeader.h"
#include "packaging/PackageFormat.h"
#include "platform/File.h"

namespace pravix::stub {

class EmbeddedMovie {
 public:
  // The movie at the end of the file at `path`, which stays open for reading by others too (it is
  // the running program's own image). Nothing when the file cannot be read or its trailer
  // describes no movie, or an empty one: every movie has a header, and a bare stub's last bytes
  // are often zeros, which read as an empty screen saver's trailer. `problem` then says why, for a
  // person.
  static std::optional<EmbeddedMovie> open(const std::string& path, Package kind,
                                           std::string& problem);

  const File& file() const { return file_; }
  const MovieRange& range() const { return range_; }
  uint32_t length() const { return range_.length; }
  // The movie's header; a too short one when it cannot be read.
  MovieHeader header() const;

  // Writes the whole movie at the position of `output`: StreamReadError or StreamWriteError when
  // it cannot.
  void copyTo(File& output) const;

 private:
  EmbeddedMovie(File file, MovieRange range) : file_(std::move(file)), range_(range) {}

  File file_;
  MovieRange range_;
};

}  // namespace pravix::stub
