// The conversions: stub, streamed movie and trailer into a new file; and the way back out of a
// projector. Each writes its whole result beside the target and only then puts it in place.
#include "packaging/GlobalUnit.h"

#include <algorithm>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/System.h"

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
  if (movieSize > largestMovie(package)) {
    throw FileRefusedError(
        "\"" + fullPathName(source) + "\" is too large: " +
        (package == Package::Projector
             ? "a projector's movie must be smaller than 4 GiB"
             : "a screen saver's movie must be smaller than 4 GiB less 4 bytes"));
  }

  if (!fileSize(stubPath)) return false;
  File stub(stubPath, FileMode::ReadShared);

  ReplacementFile output(target);
  copyBytes(stub, output.file(), stub.size());
  copyBytes(movie, output.file(), movieSize);
  const auto trailer = makeTrailer(package, static_cast<uint32_t>(movieSize));
  output.file().writeExactly(trailer.data(), trailerSize(package));
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

  // The marker first, then the length: a file shorter than the trailer is read from its start, so
  // that one of four to seven bytes is refused by its marker before the length comes up short.
  uint8_t tail[kProjectorTrailerSize];
  projector.seekFromEnd(kProjectorTrailerSize);
  projector.readExactly(tail, 4);
  if (!isProjectorMarker(tail)) return false;
  projector.readExactly(tail + 4, 4);

  const Located located = locateMovie(Package::Projector, projector.size(), tail);
  if (located.status == Located::Status::NoTrailer) return false;
  // A movie that reaches past the start of the file cannot be read; fail before anything is
  // written.
  if (located.status == Located::Status::OutsideFile) throw StreamReadError();
  projector.seekFromEnd(projector.size() - located.movie.offset);

  ReplacementFile movie(output);
  copyBytes(projector, movie.file(), located.movie.length);
  movie.commit();
  return true;
}

}  // namespace pravix
