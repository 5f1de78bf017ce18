// Reading the movie out of a stub's own file through the file layer.
#include "stubs/EmbeddedMovie.h"

#include <algorithm>
#include <vector>

namespace pravix::stub {

std::optional<EmbeddedMovie> EmbeddedMovie::open(const std::string& path, Package kind,
                                                 std::string& problem) {
  try {
    File file(path, FileMode::ReadShared);
    const uint64_t fileSize = file.size();
    uint8_t tail[kLongestTrailerSize] = {};
    const size_t tailSize = trailerSize(kind);
    if (fileSize >= tailSize) file.readAt(fileSize - tailSize, tail, tailSize);
    // An empty movie counts as none: every movie has a header, and a bare stub's last bytes are
    // often zeros, which read as an empty screen saver's trailer.
    const Located located = locateMovie(kind, fileSize, tail);
    if (located.status == Located::Status::Found && located.movie.length > 0) {
      return EmbeddedMovie(std::move(file), located.movie);
    }
    problem = path + " holds no movie";
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
  constexpr size_t kChunk = 1 << 16;
  std::vector<uint8_t> buffer(kChunk);
  for (uint64_t done = 0; done < range_.length;) {
    const auto count = static_cast<size_t>(std::min<uint64_t>(kChunk, range_.length - done));
    file_.readAt(range_.offset + done, buffer.data(), count);
    output.writeExactly(buffer.data(), count);
    done += count;
  }
}

}  // namespace pravix::stub
