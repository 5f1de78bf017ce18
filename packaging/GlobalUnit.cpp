// The conversions: stub copy, streamed movie, trailer; and the way back out of a projector.
#include "packaging/GlobalUnit.h"

#include <algorithm>
#include <vector>

#include "packaging/File.h"
#include "packaging/Layout.h"
#include "packaging/Path.h"

namespace pravix {
namespace {

// Copies `count` bytes from the current position of `from` to that of `to` through one buffer.
void copyBytes(File& from, File& to, uint64_t count) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(count, kCopyBufferSize)));
  while (count > 0) {
    const auto part = static_cast<size_t>(std::min<uint64_t>(count, buffer.size()));
    from.readExactly(buffer.data(), part);
    to.writeExactly(buffer.data(), part);
    count -= part;
  }
}

std::string targetOrDefault(const std::string& source, const std::string& target,
                            const char* extension) {
  return target.empty() ? changeFileExtension(source, extension) : target;
}

}  // namespace

bool PackMovie(Package package, const std::string& stubPath, const std::string& source,
               const std::string& target) {
  // The stub copy would replace the movie before it is read.
  if (sameFile(source, target)) return false;

  // A movie the trailer cannot describe would give a file that no stub can read.
  const uint64_t limit = package == Package::Projector ? kMaxProjectorMovie : kMaxScreenSaverMovie;
  if (const auto size = fileSize(source); size && *size > limit) return false;

  // A failed copy leaves whatever stood at the target before; appending to it would corrupt it.
  if (!copyFile(stubPath, target)) return false;

  File movie(source, FileMode::ReadExisting);
  File output(target, FileMode::WriteExisting);
  const uint64_t movieSize = movie.size();
  const auto length = static_cast<uint32_t>(movieSize);
  output.seekFromEnd(0);
  copyBytes(movie, output, movieSize);
  if (package == Package::Projector) {
    const auto trailer = projectorTrailer(length);
    output.writeExactly(trailer.data(), trailer.size());
  } else {
    const auto trailer = screenSaverTrailer(length);
    output.writeExactly(trailer.data(), trailer.size());
  }
  return true;
}

bool SwfToExe(const std::string& source, const std::string& target) {
  return PackMovie(Package::Projector, programDirectory() + kProjectorStubName, source,
                   targetOrDefault(source, target, ".exe"));
}

bool SwfToScr(const std::string& source, const std::string& target) {
  return PackMovie(Package::ScreenSaver, programDirectory() + kScreenSaverStubName, source,
                   targetOrDefault(source, target, ".scr"));
}

bool ExeToSwf(const std::string& source, const std::string& target) {
  const std::string output = targetOrDefault(source, target, ".swf");
  File projector(source, FileMode::ReadExisting);

  uint8_t field[4];
  projector.seekFromEnd(kProjectorTrailerSize);
  projector.readExactly(field, sizeof field);
  if (getLittleEndian32(field) != kProjectorMarker) return false;
  projector.readExactly(field, sizeof field);
  const uint32_t length = getLittleEndian32(field);

  // A length that reaches past the start of the file cannot be read; fail before the target is
  // created, so that a file standing there is not emptied.
  const uint64_t movieAndTrailer = uint64_t{length} + kProjectorTrailerSize;
  if (movieAndTrailer > projector.size()) throw StreamReadError();
  projector.seekFromEnd(movieAndTrailer);

  File movie(output, FileMode::CreateReadWrite);
  copyBytes(projector, movie, length);
  return true;
}

}  // namespace pravix
