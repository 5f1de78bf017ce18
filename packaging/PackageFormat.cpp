// The package format's arithmetic, one place for the writer and every reader.
#include "packaging/PackageFormat.h"

#include <algorithm>

#include "packaging/ByteOrder.h"

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

Located locateMovie(Package package, uint64_t fileSize, const uint8_t* tail) {
  const uint64_t trailer = trailerSize(package);
  // The trailer is the last `trailer` bytes of the tail; a short file's tail is the whole file.
  const size_t tailSize = tailOf(fileSize).size;
  const uint8_t* const start = tailSize > trailer ? tail + (tailSize - trailer) : tail;
  uint64_t length = 0;
  if (package == Package::Projector) {
    if (fileSize < 4) return {Located::Status::Damaged, {}, "the file is too short to hold it"};
    if (littleEndian32(start) != kProjectorMarker) {
      return {Located::Status::NoTrailer, {}, "it has no projector trailer"};
    }
    if (fileSize < trailer) {
      return {Located::Status::Damaged, {}, "the file is too short to hold it"};
    }
    length = littleEndian32(start + 4);
  } else {
    // The back offset counts itself: below 4 it names no movie at all.
    const uint64_t backOffset = fileSize < trailer ? 0 : littleEndian32(start);
    if (backOffset < kScreenSaverTrailerSize) {
      return {Located::Status::NoTrailer, {}, "it has no screen-saver trailer"};
    }
    length = backOffset - kScreenSaverTrailerSize;
  }
  // In 64 bits: the largest length plus the trailer must not wrap around.
  if (length > fileSize - trailer) {
    return {Located::Status::Damaged, {}, "it names a movie longer than the file"};
  }
  return {Located::Status::Found, {fileSize - trailer - length, static_cast<uint32_t>(length)}, ""};
}

Located readTrailer(const File& file, Package package) {
  const uint64_t size = file.size();
  const Tail tail = tailOf(size);
  uint8_t bytes[kLongestTrailerSize] = {};
  file.readAt(tail.offset, bytes, tail.size);
  return locateMovie(package, size, bytes);
}

}  // namespace pravix
