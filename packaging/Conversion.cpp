// The conversions: stub, streamed movie and trailer into a new file; and the way back out of a
// projector. Each writes its whole result beside the target and only then puts it in place.
#include "packaging/Conversion.h"

#include "packaging/Decompression.h"
#include "packaging/GameFace.h"
#include "packaging/PackedFiles.h"
#include "platform/Path.h"
#include "platform/System.h"

namespace pravix {
namespace {

Package packageOf(Task task) {
  return task == Task::PackScreenSaver ? Package::ScreenSaver : Package::Projector;
}

// Writing the target would destroy the source before it is read.
void refuseSameFile(const Job& job) {
  if (job.stream == nullptr && job.input == nullptr && sameFile(job.source, targetOf(job))) {
    throw FileRefusedError(job.source, "is both the source and the target");
  }
}

// The source a job reads: its input, or the file it names, opened as the job's rules say. A
// stream written with what is read from it (`>>` onto the source) is refused before either is
// touched, as `cat` refuses it.
File& openSource(const Job& job, std::optional<File>& opened, const std::string& path) {
  File& source =
      job.input != nullptr ? *job.input : opened.emplace(path, FileMode::ReadExisting, job.rules);
  if (job.stream != nullptr && job.stream->sameFileAs(source)) {
    throw FileRefusedError(job.source, "is both the source and the target");
  }
  return source;
}

[[noreturn]] void refuseTooLarge(const std::string& source, Package package) {
  throw FileRefusedError(source, package == Package::Projector
                                     ? "is too large: a projector's movie must be smaller than "
                                       "4 GiB"
                                     : "is too large: a screen saver's movie must be smaller "
                                       "than 4 GiB less 4 bytes");
}

// Where a job's result goes: a new file that replaces the target once whole, or the stream.
class Output {
 public:
  explicit Output(const Job& job) : stream_(job.stream) {
    if (stream_ == nullptr) replacement_.emplace(targetOf(job), job.rules, job.existing);
  }
  File& file() { return replacement_ ? replacement_->file() : *stream_; }
  // A new file runs wherever `stub` runs; a stream is left as it is.
  void takeExecuteBits(const File& stub) {
    if (replacement_) replacement_->file().takeExecuteBits(stub);
  }
  void commit() {
    if (replacement_) replacement_->commit();
  }

 private:
  std::optional<ReplacementFile> replacement_;
  File* stream_ = nullptr;
};

Result pack(const Job& job) {
  const Package package = packageOf(job.task);
  refuseSameFile(job);
  // What the options name is read and checked before anything is written.
  const GameOptions options = optionsOf(job);
  std::optional<File> opened;
  File& movie = openSource(job, opened, job.source);
  // A pipe's length is known at its end only: it is counted while it is copied.
  const bool streamed = movie.isStream();
  const uint64_t movieSize = streamed ? 0 : movie.size();

  // A movie the trailer cannot describe would give a file that no stub can read.
  if (movieSize > largestMovie(package)) refuseTooLarge(job.source, package);

  const std::string stubPath =
      job.stub.empty() ? programDirectory() + stubName(job.task) : job.stub;
  std::optional<std::string> refusal = stubRefusal(stubPath);
  // The stub beside the program serves whatever it holds, as it always has.
  if (job.stub.empty() && fileSize(stubPath)) refusal.reset();
  if (refusal) return {Outcome::NoStub, *refusal, stubPath};
  const File stub(stubPath, FileMode::ReadShared, job.rules);
  // A stub that wears the game's face is a new image, made whole before the target is touched.
  std::optional<std::string> dressed;
  if (dressesStub(options)) {
    std::string image(stub.size(), '\0');
    stub.readAt(0, image.data(), image.size());
    dressed = dressedStub(image, stubPath, options, job.rules);
  }
  std::vector<FileToPack> included;
  if (options.include) {
    // Neither the movie, nor the stub, nor what the target replaces is one of the game's files.
    std::vector<std::string> leaveOut{stub.resolvedPath()};
    if (!streamed) leaveOut.push_back(movie.resolvedPath());
    if (job.stream == nullptr && fileSize(targetOf(job))) {
      leaveOut.push_back(resolvedPathOf(targetOf(job)));
    }
    included = filesToPack(*options.include, leaveOut, job.rules);
  }
  uint64_t includedSize = 0;
  for (const FileToPack& file : included) includedSize += file.size;

  Output output(job);
  // A dressed stub is written at once; the progress counts what is copied.
  const uint64_t copiedStub = dressed ? 0 : stub.size();
  Copier copier(copiedStub + includedSize + movieSize, streamed ? nullptr : job.progress);
  if (dressed) {
    output.file().writeExactly(dressed->data(), dressed->size());
  } else {
    copier.copy(stub, 0, copiedStub, output.file());
  }
  // An empty folder adds nothing: the package is then what it is without one.
  if (!included.empty()) {
    writePackedFiles(included, *options.include, job.rules, copier, output.file());
  }
  uint64_t length = movieSize;
  if (streamed) {
    length = copier.copyStream(movie, output.file(), largestMovie(package));
    if (length > largestMovie(package)) refuseTooLarge(job.source, package);
  } else {
    copier.copy(movie, 0, movieSize, output.file());
  }
  output.takeExecuteBits(stub);
  const auto trailer = makeTrailer(package, static_cast<uint32_t>(length));
  output.file().writeExactly(trailer.data(), trailerSize(package));
  output.commit();
  return {};
}

// Where the source's movie lies: our projector's trailer, or with `everyLayout` every layout.
MovieLocation locate(const Job& job, const File& source) {
  if (!job.everyLayout) return locatePackage(Package::Projector, source);
  const uint64_t size = source.size();
  return findMovie(size, readerOf(source, size));
}

Result extract(const Job& job) {
  refuseSameFile(job);
  // A macOS projector kept as a folder holds its movie as a file of its own.
  std::optional<std::string> folderMovie;
  if (job.everyLayout && job.input == nullptr) folderMovie = appFolderMovie(job.source, job.rules);
  std::optional<File> opened;
  File& projector = openSource(job, opened, folderMovie.value_or(job.source));
  const MovieLocation movie =
      folderMovie ? appFolderLocation(projector.size()) : locate(job, projector);
  switch (movie.status) {
    case MovieLocation::Status::NoTrailer:
      return {Outcome::NotProjector, movie.reason, job.source};
    case MovieLocation::Status::Damaged:
      return {Outcome::DamagedTrailer, movie.reason, job.source};
    case MovieLocation::Status::Found:
      break;
  }
  Output output(job);
  if (movie.storage == Storage::Deflated) {
    inflateMovie(projector, movie, output.file(), job.progress);
  } else {
    Copier(movie.length, job.progress).copy(projector, movie.offset, movie.length, output.file());
  }
  output.commit();
  return {};
}

}  // namespace

GameOptions optionsOf(const Job& job) {
  GameOptions options = job.options;
  if (job.input == nullptr) {
    if (std::optional<GameOptions> file = readOptionsFile(job.source, job.rules)) {
      options = overlaid(options, *file);
    }
  }
  checkOptions(options);
  return options;
}

Result convert(const Job& job) {
  try {
    return job.task == Task::Extract ? extract(job) : pack(job);
  } catch (const FileExistsError& exists) {
    return {Outcome::TargetExists, exists.reason(), exists.path()};
  }
}

std::string defaultTarget(Task task, const std::string& source) {
  switch (task) {
    case Task::PackProjector:
      return changeFileExtension(source, ".exe");
    case Task::PackScreenSaver:
      return changeFileExtension(source, ".scr");
    case Task::Extract:
      break;
  }
  return changeFileExtension(source, ".swf");
}

std::string targetOf(const Job& job) {
  return job.target.empty() ? defaultTarget(job.task, job.source) : job.target;
}

const char* stubName(Task task) {
  return packageOf(task) == Package::ScreenSaver ? kScreenSaverStubName : kProjectorStubName;
}

std::optional<std::string> findStub(Task task, const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    std::string stub = folder + stubName(task);
    if (fileSize(stub)) return stub;
  }
  return std::nullopt;
}

std::optional<std::string> stubRefusal(const std::string& stub) {
  const std::optional<uint64_t> size = fileSize(stub);
  if (!size) return "no such stub file";
  if (*size == 0) return "the stub file is empty";
  return std::nullopt;
}

ExitCode exitCode(Outcome outcome) {
  switch (outcome) {
    case Outcome::Written:
      return kExitWritten;
    case Outcome::NoStub:
    case Outcome::NotProjector:
    case Outcome::TargetExists:
      return kExitRefused;
    case Outcome::DamagedTrailer:
      break;
  }
  return kExitFailed;
}

ExitCode exitCode(const FileError& failure) {
  return dynamic_cast<const FileRefusedError*>(&failure) != nullptr ? kExitRefused : kExitFailed;
}

}  // namespace pravix
