// The package format's arithmetic, one place for the writer and every reader.
#include "packaging/PackageFormat.h"

namespace pravix {
namespace {

void putLittleEndian32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLittleEndian32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

size_t trailerSize(Package package) {
  return package == Package::Projector ? kProjectorTrailerSize : kScreenSaverTrailerSize;
}

uint64_t largestMovie(Package package) {
  return package == Package::Projector ? 0xFFFFFFFFull : 0xFFFFFFFFull - kScreenSaverTrailerSize;
}

std::array<uint8_t, kLongestTrailerSize> makeTrailer(Package package, uint32_t movieLength) {
  std::array<uint8_t, kLongestTrailerSize> trailer{};
  if (package == Package::Projector) {
    putLittleEndian32(trailer.data(), kProjectorMarker);
    putLittleEndian32(trailer.data() + 4, movieLength);
  } else {
    putLittleEndian32(trailer.data(), movieLength + static_cast<uint32_t>(kScreenSaverTrailerSize));
  }
  return trailer;
}

bool isProjectorMarker(const uint8_t* bytes) {
  return getLittleEndian32(bytes) == kProjectorMarker;
}

Located locateMovie(Package package, uint64_t fileSize, const uint8_t* tail) {
  Located result;
  const uint64_t trailer = trailerSize(package);
  if (fileSize < trailer) return result;
  uint64_t length = 0;
  if (package == Package::Projector) {
    if (!isProjectorMarker(tail)) return result;
    length = getLittleEndian32(tail + 4);
  } else {
    // The back offset counts itself: below 4 it names no movie at all.
    const uint64_t backOffset = getLittleEndian32(tail);
    if (backOffset < kScreenSaverTrailerSize) return result;
    length = backOffset - kScreenSaverTrailerSize;
  }
  // In 64 bits: the largest length plus the trailer must not wrap around.
  if (length > fileSize - trailer) {
    result.status = Located::Status::OutsideFile;
    return result;
  }
  result.status = Located::Status::Found;
  result.movie = MovieRange{fileSize - trailer - length, static_cast<uint32_t>(length)};
  return result;
}

}  // namespace pravix
