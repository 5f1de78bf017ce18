// The conversions: stub, streamed movie and trailer into a new file; and the way back out of a
// projector. Each writes its whole result beside the target and only then puts it in place.
#include "packaging/Conversion.h"

#include "platform/Path.h"
#include "platform/System.h"

namespace pravix {
namespace {

Package packageOf(Task task) {
  return task == Task::PackScreenSaver ? Package::ScreenSaver : Package::Projector;
}

// Writing the target would destroy the source before it is read.
void refuseSameFile(const std::string& source, const std::string& target) {
  if (sameFile(source, target)) throw FileRefusedError(source, "is both the source and the target");
}

// Where a job's result goes: a new file that replaces the target once whole, or the stream.
class Output {
 public:
  explicit Output(const Job& job) : stream_(job.stream) {
    if (stream_ == nullptr) replacement_.emplace(targetOf(job));
  }
  File& file() { return replacement_ ? replacement_->file() : *stream_; }
  void commit() {
    if (replacement_) replacement_->commit();
  }

 private:
  std::optional<ReplacementFile> replacement_;
  File* stream_ = nullptr;
};

Result pack(const Job& job) {
  const Package package = packageOf(job.task);
  if (job.stream == nullptr) refuseSameFile(job.source, targetOf(job));
  const File movie(job.source, FileMode::ReadExisting);
  const uint64_t movieSize = movie.size();

  // A movie the trailer cannot describe would give a file that no stub can read.
  if (movieSize > largestMovie(package)) {
    throw FileRefusedError(job.source,
                           package == Package::Projector
                               ? "is too large: a projector's movie must be smaller than 4 GiB"
                               : "is too large: a screen saver's movie must be smaller than 4 GiB "
                                 "less 4 bytes");
  }

  const std::string stubPath =
      job.stub.empty() ? programDirectory() + stubName(job.task) : job.stub;
  if (!fileSize(stubPath)) return {Outcome::NoStub, "no stub file " + quotedName(stubPath)};
  const File stub(stubPath, FileMode::ReadShared);
  const uint64_t stubSize = stub.size();

  Output output(job);
  Copier copier(stubSize + movieSize, job.progress);
  copier.copy(stub, 0, stubSize, output.file());
  copier.copy(movie, 0, movieSize, output.file());
  const auto trailer = makeTrailer(package, static_cast<uint32_t>(movieSize));
  output.file().writeExactly(trailer.data(), trailerSize(package));
  output.commit();
  return {};
}

Result extract(const Job& job) {
  if (job.stream == nullptr) refuseSameFile(job.source, targetOf(job));
  const File projector(job.source, FileMode::ReadExisting);
  const Located located = readTrailer(projector, Package::Projector);
  switch (located.status) {
    case Located::Status::NoTrailer:
      return {Outcome::NotProjector, located.reason};
    case Located::Status::Damaged:
      return {Outcome::DamagedTrailer, located.reason};
    case Located::Status::Found:
      break;
  }
  Output output(job);
  Copier(located.movie.length, job.progress)
      .copy(projector, located.movie.offset, located.movie.length, output.file());
  output.commit();
  return {};
}

}  // namespace

Result convert(const Job& job) {
  return job.task == Task::Extract ? extract(job) : pack(job);
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

ExitCode exitCode(Outcome outcome) {
  switch (outcome) {
    case Outcome::Written:
      return kExitWritten;
    case Outcome::NoStub:
    case Outcome::NotProjector:
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
