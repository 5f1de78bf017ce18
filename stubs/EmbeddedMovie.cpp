// Reading the movie out of a stub's own file through the file layer.
#include "stubs/EmbeddedMovie.h"

#include <algorithm>

namespace pravix::stub {

std::optional<EmbeddedMovie> EmbeddedMovie::open(const std::string& path, Package kind,
                                                 std::string& problem) {
  try {
    File file(path, FileMode::ReadShared);
    const Located located = readTrailer(file, kind);
    if (located.status == Located::Status::Found && located.movie.length > 0) {
      return EmbeddedMovie(std::move(file), located.movie);
    }
    problem = path + " holds no movie: " +
              (located.status == Located::Status::Found ? "the movie is empty" : located.reason);
  } catch (const StreamReadError& error) {
    problem = "cannot read " + path + ": " + error.what();
  } catch (const FileError& error) {
    problem = error.what();
  }
  return std::nullopt;
}

MovieHeader EmbeddedMovie::header() const {
  uint8_t bytes[kMovieHeaderBytes] = {};
  const auto count = static_cast<size_t>(std::min<uint64_t>(range_.length, sizeof bytes));
  try {
    file_.readAt(range_.offset, bytes, count);
  } catch (const StreamReadError&) {
    return MovieHeader{};
  }
  return readMovieHeader(bytes, count);
}

void EmbeddedMovie::copyTo(File& output) const {
  Copier(range_.length).copy(file_, range_.offset, range_.length, output);
}

}  // namespace pravix::stub
