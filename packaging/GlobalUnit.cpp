// The conversions: stub, streamed movie and trailer into a new file; and the way back out of a
// projector. Each writes its whole result beside the target and only then puts it in place.
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

// Writing the target would destroy the source before it is read.
void refuseSameFile(const std::string& source, const std::string& target) {
  if (sameFile(source, target)) {
    throw FileRefusedError("\"" + fullPathName(source) + "\" is both the source and the target");
  }
}

}  // namespace

bool PackMovie(Package package, const std::string& stubPath, const std::string& source,
               const std::string& target) {
  refuseSameFile(source, target);
  File movie(source, FileMode::ReadExisting);
  const uint64_t movieSize = movie.size();

  // A movie the trailer cannot describe would give a file that no stub can read.
  if (package == Package::Projector && movieSize > kMaxProjectorMovie) {
    throw FileRefusedError("\"" + fullPathName(source) +
                           "\" is too large: a projector's movie must be smaller than 4 GiB");
  }
  if (package == Package::ScreenSaver && movieSize > kMaxScreenSaverMovie) {
    throw FileRefusedError(
        "\"" + fullPathName(source) +
        "\" is too large: a screen saver's movie must be smaller than 4 GiB less 4 bytes");
  }

  if (!fileSize(stubPath)) return false;
  File stub(stubPath, FileMode::ReadShared);

  ReplacementFile output(target);
  copyBytes(stub, output.file(), stub.size());
  copyBytes(movie, output.file(), movieSize);
  const auto length = static_cast<uint32_t>(movieSize);
  if (package == Package::Projector) {
    const auto trailer = projectorTrailer(length);
    output.file().writeExactly(trailer.data(), trailer.size());
  } else {
    const auto trailer = screenSaverTrailer(length);
    output.file().writeExactly(trailer.data(), trailer.size());
  }
  output.commit();
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
  refuseSameFile(source, output);
  File projector(source, FileMode::ReadExisting);

  uint8_t field[4];
  projector.seekFromEnd(kProjectorTrailerSize);
  projector.readExactly(field, sizeof field);
  if (getLittleEndian32(field) != kProjectorMarker) return false;
  projector.readExactly(field, sizeof field);
  const uint32_t length = getLittleEndian32(field);

  // A length that reaches past the start of the file cannot be read; fail before anything is
  // written.
  const uint64_t movieAndTrailer = uint64_t{length} + kProjectorTrailerSize;
  if (movieAndTrailer > projector.size()) throw StreamReadError();
  projector.seekFromEnd(movieAndTrailer);

  ReplacementFile movie(output);
  copyBytes(projector, movie.file(), length);
  movie.commit();
  return true;
}

}  // namespace pravix
