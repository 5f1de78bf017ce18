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

// The bytes between two reports of progress.
constexpr uint64_t kProgressStep = 16 * 1024 * 1024;

// Copies from the current position of one file to that of another, inside the system where it
// can and through one buffer where it cannot, and reports the bytes done of `total`.
class Copier {
 public:
  Copier(uint64_t total, const Progress& progress) : total_(total), progress_(progress) {}

  void copy(File& from, File& to, uint64_t count) {
    while (count > 0) {
      const uint64_t part = std::min(count, kProgressStep);
      const uint64_t copied = from.copyInSystem(to, part);
      copyThroughBuffer(from, to, part - copied);
      count -= part;
      done_ += part;
      if (progress_) progress_(done_, total_);
    }
  }

 private:
  void copyThroughBuffer(File& from, File& to, uint64_t count) {
    const auto wanted = static_cast<size_t>(std::min<uint64_t>(count, kCopyBufferSize));
    if (buffer_.size() < wanted) buffer_.resize(wanted);
    while (count > 0) {
      const auto part = static_cast<size_t>(std::min<uint64_t>(count, buffer_.size()));
      from.readExactly(buffer_.data(), part);
      to.writeExactly(buffer_.data(), part);
      count -= part;
    }
  }

  uint64_t total_;
  uint64_t done_ = 0;
  const Progress& progress_;
  std::vector<char> buffer_;
};

std::string targetOrDefault(const std::string& source, const std::string& target,
                            const char* extension) {
  return target.empty() ? changeFileExtension(source, extension) : target;
}

}  // namespace

// Writing the target would destroy the source before it is read.
void refuseSameFile(const std::string& source, const std::string& target) {
  if (sameFile(source, target)) {
    throw FileRefusedError("\"" + fullPathName(source) + "\" is both the source and the target");
  }
}

bool PackMovie(Package package, const std::string& stubPath, const std::string& source,
               const std::string& target, const Progress& progress) {
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
  Copier copier(stub.size() + movieSize, progress);
  copier.copy(stub, output.file(), stub.size());
  copier.copy(movie, output.file(), movieSize);
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

Located readProjectorTrailer(File& projector) {
  uint8_t tail[kProjectorTrailerSize];
  projector.seekFromEnd(kProjectorTrailerSize);
  projector.readExactly(tail, 4);
  if (!isProjectorMarker(tail)) return Located{};
  projector.readExactly(tail + 4, 4);
  return locateMovie(Package::Projector, projector.size(), tail);
}

void copyMovie(File& projector, const MovieRange& movie, File& to, const Progress& progress) {
  projector.seekFromEnd(projector.size() - movie.offset);
  Copier(movie.length, progress).copy(projector, to, movie.length);
}

void copyMovieOut(File& projector, const MovieRange& movie, const std::string& target,
                  const Progress& progress) {
  ReplacementFile output(target);
  copyMovie(projector, movie, output.file(), progress);
  output.commit();
}

bool ExeToSwf(const std::string& source, const std::string& target) {
  const std::string output = targetOrDefault(source, target, ".swf");
  refuseSameFile(source, output);
  File projector(source, FileMode::ReadExisting);
  const Located located = readProjectorTrailer(projector);
  if (located.status == Located::Status::NoTrailer) return false;
  // A movie that reaches past the start of the file cannot be read; fail before anything is
  // written.
  if (located.status == Located::Status::OutsideFile) throw StreamReadError();
  copyMovieOut(projector, located.movie, output);
  return true;
}

}  // namespace pravix
