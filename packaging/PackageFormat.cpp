// The package format's arithmetic, one place for the writer and every reader.
#include "packaging/PackageFormat.h"

#include <algorithm>

#include "packaging/ByteOrder.h"
#include "packaging/MovieHeader.h"

namespace pravix {

size_t trailerSize(Package package) {
  return package == Package::Projector ? kProjectorTrailerSize : kScreenSaverTrailerSize;
}

uint64_t largestMovie(Package package) {
  return package == Package::Projector ? 0xFFFFFFFFull : 0xFFFFFFFFull - kScreenSaverTrailerSize;
}

std::array<uint8_t, kLongestTrailerSize> makeTrailer(Package package, uint32_t movieLength) {
  std::array<uint8_t, kLongestTrailerSize> trailer{};
  if (package == Package::Projector) {
    putLittleEndian(trailer.data(), kProjectorMarker, 4);
    putLittleEndian(trailer.data() + 4, movieLength, 4);
  } else {
    putLittleEndian(trailer.data(), movieLength + static_cast<uint32_t>(kScreenSaverTrailerSize),
                    4);
  }
  return trailer;
}

Tail tailOf(uint64_t fileSize) {
  const auto size = static_cast<size_t>(std::min<uint64_t>(fileSize, kLongestTrailerSize));
  return Tail{fileSize - size, size};
}

namespace {

constexpr char kNoProjectorTrailer[] = "it has no projector trailer";
constexpr char kNoScreenSaverTrailer[] = "it has no screen-saver trailer";

MovieLocation verdict(MovieLocation::Status status, Package package, const char* reason) {
  MovieLocation movie;
  movie.status = status;
  movie.layout = package == Package::Projector ? Layout::Projector : Layout::ScreenSaver;
  movie.reason = reason;
  return movie;
}

}  // namespace

MovieLocation locateMovie(Package package, uint64_t fileSize, const uint8_t* tail) {
  using Status = MovieLocation::Status;
  const uint64_t trailer = trailerSize(package);
  // The trailer is the last `trailer` bytes of the tail; a short file's tail is the whole file.
  const size_t tailSize = tailOf(fileSize).size;
  const uint8_t* const start = tailSize > trailer ? tail + (tailSize - trailer) : tail;
  uint64_t length = 0;
  if (package == Package::Projector) {
    if (fileSize < 4) return verdict(Status::Damaged, package, "the file is too short to hold it");
    if (littleEndian32(start) != kProjectorMarker) {
      return verdict(Status::NoTrailer, package, kNoProjectorTrailer);
    }
    if (fileSize < trailer) {
      return verdict(Status::Damaged, package, "the file is too short to hold it");
    }
    length = littleEndian32(start + 4);
  } else {
    // The back offset counts itself: below 4 it names no movie at all.
    const uint64_t backOffset = fileSize < trailer ? 0 : littleEndian32(start);
    if (backOffset < kScreenSaverTrailerSize) {
      return verdict(Status::NoTrailer, package, kNoScreenSaverTrailer);
    }
    length = backOffset - kScreenSaverTrailerSize;
  }
  // In 64 bits: the largest length plus the trailer must not wrap around.
  if (length > fileSize - trailer) {
    return verdict(Status::Damaged, package, "it names a movie longer than the file");
  }
  MovieLocation movie = verdict(Status::Found, package, "");
  movie.offset = fileSize - trailer - length;
  movie.length = movie.size = length;
  return movie;
}

MovieLocation locatePackage(Package package, uint64_t size, const ReadAt& read) {
  const Tail tail = tailOf(size);
  uint8_t bytes[kLongestTrailerSize] = {};
  read(tail.offset, bytes, tail.size);
  const MovieLocation movie = locateMovie(package, size, bytes);
  if (package == Package::Projector || movie.status != MovieLocation::Status::Found) return movie;
  uint8_t start[kSignatureSize] = {};
  if (movie.length < sizeof start || read(movie.offset, start, sizeof start) != sizeof start ||
      !movieSignature(start, sizeof start)) {
    return verdict(MovieLocation::Status::NoTrailer, package, kNoScreenSaverTrailer);
  }
  return movie;
}

MovieLocation locatePackage(Package package, const File& file) {
  const uint64_t size = file.size();
  return locatePackage(package, size, readerOf(file, size));
}

}  // namespace pravix
