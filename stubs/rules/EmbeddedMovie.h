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
  // the running program's own image), as the package's one reader finds it (locatePackage).
  // Nothing when the file cannot be read or holds no movie, or an empty one: every movie has a
  // header. `problem` then says why, for a person.
  static std::optional<EmbeddedMovie> open(const std::string& path, Package kind,
                                           std::string& problem);

  const File& file() const { return file_; }
  const MovieLocation& location() const { return location_; }
  uint64_t length() const { return location_.length; }
  // The movie's header, as the one reader reads it (its frame decompressed where this build can);
  // an empty one when the file cannot be read.
  MovieHeader header() const;

  // Writes the whole movie at the position of `output`: StreamReadError or StreamWriteError when
  // it cannot.
  void copyTo(File& output) const;

 private:
  EmbeddedMovie(File file, const MovieLocation& location)
      : file_(std::move(file)), location_(location) {}

  File file_;
  MovieLocation location_;
};

}  // namespace pravix::stub
