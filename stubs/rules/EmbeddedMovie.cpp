// Reading the movie out of a stub's own file through the file layer.
#include "stubs/rules/EmbeddedMovie.h"

namespace pravix::stub {

std::optional<EmbeddedMovie> EmbeddedMovie::open(const std::string& path, Package kind,
                                                 std::string& problem) {
  try {
    File file(path, FileMode::ReadShared);
    const MovieLocation located = locatePackage(kind, file);
    const bool found = located.status == MovieLocation::Status::Found;
    if (found && located.length > 0) return EmbeddedMovie(std::move(file), located);
    problem = path + " holds no movie: " + (found ? "the movie is empty" : located.reason);
  } catch (const StreamReadError& error) {
    problem = "cannot read " + path + ": " + error.what();
  } catch (const FileError& error) {
    problem = error.what();
  }
  return std::nullopt;
}

MovieHeader EmbeddedMovie::header() const {
  try {
    return readMovieHeader(readerOf(file_, location_.offset + location_.length), location_.offset,
                           location_.length);
  } catch (const StreamReadError&) {
    return MovieHeader{};
  }
}

void EmbeddedMovie::copyTo(File& output) const {
  Copier(location_.length).copy(file_, location_.offset, location_.length, output);
}

}  // namespace pravix::stub
