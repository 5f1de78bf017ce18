// The commands: each input on its own, its refusal or failure told as "pravix: FILE: reason", the
// exit code the worst of them. Files follow Unix's rules here: no locks, links followed to the
// file they name, devices and pipes written where they are, nothing replaced without --force. The
// files a package carries go out under --files by the same rules, each whole or not at all.
#include "cli/Commands.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "cli/Info.h"
#include "cli/Options.h"
#include "packaging/Conversion.h"
#include "packaging/IconFile.h"
#include "packaging/PackedFiles.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Signals.h"
#include "platform/System.h"

namespace pravix::cli {
namespace {

// Inputs from this size on show their progress on a terminal.
constexpr uint64_t kProgressFrom = 64 * 1024 * 1024 + 1;
constexpr char kStandardInput[] = "standard input";
constexpr char kStandardOutput[] = "standard output";

// "pravix: NAME: 42%" on a terminal, rewritten in place while a large input is copied, and ended
// with a new line when it is done or fails.
class ProgressLine {
 public:
  ProgressLine(const std::string& input, bool wanted)
      : input_(input),
        shown_(wanted && input != kStandardStream && ::isatty(STDERR_FILENO) == 1 &&
               fileSize(input).value_or(0) >= kProgressFrom) {}
  ~ProgressLine() {
    if (percent_ >= 0) std::fputc('\n', stderr);
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  Progress callback() {
    if (!shown_) return nullptr;
    return [this](uint64_t done, uint64_t total) {
      const int percent = static_cast<int>(total == 0 ? 100 : done * 100 / total);
      if (percent == percent_) return;
      percent_ = percent;
      std::fprintf(stderr, "\rpravix: %s: %3d%%", input_.c_str(), percent);
    };
  }

 private:
  std::string input_;
  bool shown_;
  int percent_ = -1;
};

// `path` with the symbolic links at its end followed: the file a link names is replaced, and the
// link stays. Past 40 links the system itself refuses the name (ELOOP) when the file is made.
std::string followLinks(std::string path) {
  char target[PATH_MAX];
  for (int hops = 0; hops < 40; ++hops) {
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<size_t>(length) == sizeof target) break;
    const std::string next(target, static_cast<size_t>(length));
    path = next[0] == '/' ? next : fileDirectory(path) + next;
  }
  return path;
}

bool isStandardOutput(const struct stat& status) {
  struct stat output {};
  return ::fstat(STDOUT_FILENO, &output) == 0 && output.st_dev == status.st_dev &&
         output.st_ino == status.st_ino;
}

// An input without the slashes that may end a folder's name ("Movie.app/").
std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// `name`, a packed file's path of plain names separated by "/", below `folder`.
std::string pathBelow(const std::string& folder, const std::string& name) {
  const char separator = hostPathRules().separators.front();
  std::string path = folder.back() == separator ? folder : folder + separator;
  for (const char c : name) path += c == '/' ? separator : c;
  return path;
}

// Where a file at `path` stands, every link on the way to its folder followed; empty when the
// folder is not there.
std::string placeOf(const std::string& path) {
  try {
    return resolvedFolder(containingFolder(path)) + fileName(path);
  } catch (const FileOpenError&) {
    return {};
  }
}

// The files a package carries before its movie on their way out: the package that holds them,
// and each file with its target under --files.
struct PackedFilesOut {
  std::optional<File> opened;  // the package, unless it is standard input's copy
  const File* package = nullptr;
  std::vector<std::pair<PackedFile, std::string>> files;
};

// Where one input's result goes: a stream (standard output, or a device or a named pipe written
// where it stands), or a file that the conversion puts in place.
struct Destination {
  std::optional<File> stream;
  std::string path;
  std::string name;  // as the verbose line tells it
};

class Tool {
 public:
  explicit Tool(const Options& options) : options_(options) {}

  int run() {
    switch (options_.command) {
      case Command::Help:
        return print(kUsage);
      case Command::Version:
        return print(versionText());
      default:
        break;
    }
    removeUnfinishedFileOnSignals();
    try {
      prepare();
    } catch (const FileError& e) {
      return told(exitCode(e), e.path(), e.reason());
    }
    int status = kExitWritten;
    for (const std::string& input : options_.inputs) {
      status = std::max<int>(status, runInput(input));
      // Nothing more can be told where standard output has failed.
      if (outputLost_) break;
    }
    return status;
  }

 private:
  // The checks that need no input: the stub, the options given, the output folder. A wrong
  // option is told once, not with each input.
  void prepare() {
    if (options_.command == Command::Pack) {
      stub_ = chooseStub();
      checkOptions(options_.game);
      if (options_.game.icon) readIconFile(*options_.game.icon, FileRules::Unix);
    }
    if (options_.outputFolder) {
      const std::string& folder = *options_.outputFolder;
      struct stat status {};
      if (::stat(folder.c_str(), &status) != 0) throw FileOpenError(folder, systemErrorText(errno));
      if (!S_ISDIR(status.st_mode)) throw FileRefusedError(folder, "is not a folder");
    }
  }

  Task packTask() const {
    return options_.screenSaver ? Task::PackScreenSaver : Task::PackProjector;
  }

  // The stub named with --stub, or the one installed with the tool: beside the program, or in the
  // share folder that the install puts beside its bin folder.
  std::string chooseStub() const {
    std::string stub;
    if (options_.stub) {
      stub = *options_.stub;
    } else {
      const Task task = packTask();
      const std::vector<std::string> folders = {programDirectory(),
                                                programDirectory() + PRAVIX_STUB_FOLDER + "/"};
      const std::optional<std::string> found = findStub(task, folders);
      if (!found) {
        throw FileRefusedError("no stub: neither " + quotedName(folders[0] + stubName(task)) +
                               " nor " + quotedName(folders[1] + stubName(task)) +
                               " is a file; name one with --stub FILE");
      }
      stub = *found;
    }
    if (std::optional<std::string> refusal = stubRefusal(stub)) {
      throw FileRefusedError(stub, *refusal);
    }
    return stub;
  }

  int runInput(const std::string& input) {
    try {
      switch (options_.command) {
        case Command::Info:
          return info(input);
        case Command::Extract:
          return convert(Task::Extract, input);
        default:
          return convert(packTask(), input);
      }
    } catch (const FileExistsError& e) {
      // A packed file's target, found there before it was written or while it was.
      return told(kExitRefused, e.path(), "exists; --force replaces it");
    } catch (const FileError& e) {
      return told(exitCode(e), e.path().empty() ? input : e.path(), e.reason());
    } catch (const std::exception& e) {
      return told(kExitFailed, input, e.what());
    }
  }

  // Tells "pravix: FILE: REASON" (or "pravix: REASON" without a file), unless -q keeps a refusal
  // quiet; returns `code`.
  ExitCode told(ExitCode code, const std::string& file, const std::string& reason) const {
    if (options_.verbosity == Verbosity::Quiet && code == kExitRefused) return code;
    if (file.empty()) {
      std::fprintf(stderr, "pravix: %s\n", reason.c_str());
    } else {
      std::fprintf(stderr, "pravix: %s: %s\n", file.c_str(), reason.c_str());
    }
    return code;
  }

  // Writes `text` to standard output; a failure ends the run.
  int print(const std::string& text) {
    try {
      if (!output_) output_ = File::standardOutput();
      output_->writeExactly(text.data(), text.size());
    } catch (const StreamWriteError& e) {
      outputLost_ = true;
      return told(kExitFailed, e.path(), e.reason());
    }
    return kExitWritten;
  }

  // Standard output as the target of a result: a terminal is refused, as binary bytes there help
  // nobody.
  File resultsToStandardOutput() const {
    if (::isatty(STDOUT_FILENO) == 1) {
      throw FileRefusedError(kStandardOutput, "is a terminal: send it to a file or a pipe");
    }
    return File::standardOutput();
  }

  Destination destination(Task task, const std::string& input) const {
    Destination where;
    if (options_.output == kStandardStream) {
      where.stream = resultsToStandardOutput();
      where.name = kStandardOutput;
      return where;
    }
    const std::string beside = defaultTarget(task, withoutTrailingSlashes(input));
    where.path = options_.output         ? *options_.output
                 : options_.outputFolder ? *options_.outputFolder + "/" + fileName(beside)
                                         : beside;
    where.name = where.path;
    struct stat status {
    }, link{};
    if (::stat(where.path.c_str(), &status) == 0) {
      // A link that leads to standard output (/dev/stdout, /dev/fd/1) is standard output.
      if (::lstat(where.path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
          isStandardOutput(status)) {
        where.stream = resultsToStandardOutput();
        where.name = kStandardOutput;
        return where;
      }
      if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        where.stream = File::inPlace(where.path);
        return where;
      }
    }
    if (options_.force) where.path = followLinks(where.path);
    return where;
  }

  // Standard input as a file that can be read at any offset: a pipe is first copied to a file
  // without a name, which goes with the run.
  File standardInput(bool anyOffset) const {
    File input = File::standardInput();
    if (!anyOffset || !input.isStream()) return input;
    const char* folder = ::getenv("TMPDIR");
    File spool = File::anonymous(folder != nullptr && *folder != '\0' ? folder : "/tmp");
    Copier(0).copyStream(input, spool, std::numeric_limits<uint64_t>::max() - 1);
    return spool;
  }

  ExitCode convert(Task task, const std::string& input) {
    Job job{task, input, stub_, {}, nullptr, nullptr};
    job.rules = FileRules::Unix;
    job.existing = options_.force ? Existing::Replace : Existing::Keep;
    job.everyLayout = true;
    if (task != Task::Extract) job.options = options_.game;
    std::optional<File> in;
    if (input == kStandardStream) {
      // Packing streams a pipe; extracting needs the end of the projector first.
      in = standardInput(task == Task::Extract);
      job.input = &*in;
      job.source = kStandardInput;
    }
    Destination where = destination(task, input);
    job.target = where.path;
    if (where.stream) job.stream = &*where.stream;
    PackedFilesOut packed;
    if (task == Task::Extract && options_.filesFolder) {
      findPackedFiles(input, in ? &*in : nullptr, where.path, packed);
    }
    ProgressLine progress(input, options_.verbosity != Verbosity::Quiet);
    job.progress = progress.callback();
    const Result result = pravix::convert(job);
    switch (result.outcome) {
      case Outcome::Written:
        if (options_.verbosity == Verbosity::Verbose) {
          told(kExitWritten, job.source, "wrote " + where.name);
        }
        break;
      case Outcome::NoStub:
        told(kExitRefused, result.file, result.reason);
        break;
      case Outcome::NotProjector:
        told(kExitRefused, result.file, "is not a projector: " + result.reason);
        break;
      case Outcome::DamagedTrailer:
        told(kExitFailed, result.file, "has a damaged trailer: " + result.reason);
        break;
      case Outcome::TargetExists:
        told(kExitRefused, result.file, "exists; --force replaces it");
        break;
    }
    if (result.outcome == Outcome::Written) writeFilesOut(input, packed);
    return exitCode(result.outcome);
  }

  // Reads the table of the files that `input` (read from `spooled` when it is standard input)
  // carries before its movie, and checks each file's target under --files, before anything is
  // written: a damaged table, a target that stands there without --force or cannot be written
  // ends the input. Only our projector and screen saver carry files; extraction itself tells what
  // is wrong with a trailer.
  void findPackedFiles(const std::string& input, const File* spooled,
                       const std::string& movieTarget, PackedFilesOut& packed) const {
    packed.package = spooled;
    if (spooled == nullptr) {
      if (appFolderMovie(input, FileRules::Unix)) return;
      packed.package = &packed.opened.emplace(input, FileMode::ReadShared, FileRules::Unix);
    }
    const uint64_t size = packed.package->size();
    const ReadAt read = readerOf(*packed.package, size);
    const MovieLocation movie = findMovie(size, read);
    if (movie.status != MovieLocation::Status::Found ||
        (movie.layout != Layout::Projector && movie.layout != Layout::ScreenSaver)) {
      return;
    }
    PackedFiles table = readPackedFiles(read, movie.offset);
    if (table.status == PackedFiles::Status::Damaged) {
      throw FileError(table.reason, input, table.reason);
    }
    const Existing existing = options_.force ? Existing::Replace : Existing::Keep;
    // Where the folder is not there yet, nothing below it is.
    struct stat status {};
    const bool folderThere = ::stat(options_.filesFolder->c_str(), &status) == 0;
    if (folderThere && !S_ISDIR(status.st_mode)) {
      throw FileRefusedError(*options_.filesFolder, "is not a folder");
    }
    const std::string root = folderThere ? resolvedFolder(*options_.filesFolder) : "";
    const std::string movieTargetPlace = movieTarget.empty() ? "" : placeOf(movieTarget);
    for (PackedFile& file : table.files) {
      std::string target = pathBelow(*options_.filesFolder, file.name);
      if (folderThere && foldersOnTheWay(root, file.name, false)) {
        checkReplaceable(target, FileRules::Unix, existing);
        if (sameFile(target, input)) {
          throw FileRefusedError(target, "is both the source and the target");
        }
        if (!movieTargetPlace.empty() && placeOf(target) == movieTargetPlace) {
          throw FileRefusedError(target, "is the movie's target too");
        }
      }
      packed.files.emplace_back(std::move(file), std::move(target));
    }
  }

  // The folders on the way from the --files folder, really at `root`, to the packed file `name`:
  // each one that is there must be a folder inside it, a link's real place included; with
  // `make`, each one that is not there yet is made, in order. Whether they are all there.
  bool foldersOnTheWay(const std::string& root, const std::string& name, bool make) const {
    const std::string& folder = *options_.filesFolder;
    for (size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
      const std::string path = pathBelow(folder, name.substr(0, slash));
      if (make && ::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
        throw FileCreateError(path, errno);
      }
      struct stat status {};
      if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT && !make) return false;
        throw FileCreateError(path, errno);
      }
      if (!S_ISDIR(status.st_mode)) throw FileRefusedError(path, "is not a folder");
      if (!isInsideFolder(resolvedFolder(path), root)) {
        throw FileRefusedError(path, "leads out of " + folder);
      }
    }
    return true;
  }

  // Writes each packed file at its target, whole or not at all, the folders on the way made.
  void writeFilesOut(const std::string& input, const PackedFilesOut& packed) const {
    if (packed.files.empty()) return;
    makeFolders(*options_.filesFolder);
    const std::string root = resolvedFolder(*options_.filesFolder);
    for (const auto& [file, target] : packed.files) {
      foldersOnTheWay(root, file.name, true);
      ReplacementFile result(target, FileRules::Unix,
                             options_.force ? Existing::Replace : Existing::Keep);
      Copier(file.size).copy(*packed.package, file.offset, file.size, result.file());
      result.commit();
      if (options_.verbosity == Verbosity::Verbose) told(kExitWritten, input, "wrote " + target);
    }
  }

  ExitCode info(const std::string& input) {
    FileInfo described;
    if (input == kStandardStream) {
      const File file = standardInput(true);
      const uint64_t size = file.size();
      described = describeFile(size, readerOf(file, size));
    } else if (std::optional<std::string> movie = appFolderMovie(input, FileRules::Unix)) {
      const File file(*movie, FileMode::ReadShared, FileRules::Unix);
      const uint64_t size = file.size();
      described = describeAppFolder(size, readerOf(file, size));
    } else {
      const File file(input, FileMode::ReadShared, FileRules::Unix);
      const uint64_t size = file.size();
      described = describeFile(size, readerOf(file, size));
    }
    const int printed =
        print(options_.json ? infoJson(input, described)
                            : infoText(input, described, options_.verbosity == Verbosity::Verbose));
    return printed == kExitWritten ? kExitWritten : kExitFailed;
  }

  const Options& options_;
  std::string stub_;
  std::optional<File> output_;
  bool outputLost_ = false;
};

}  // namespace

int run(int argc, char** argv) {
  Options options;
  try {
    options = parse(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pravix: %s\nTry \"pravix --help\".\n", e.what());
    return kExitFailed;
  }
  return Tool(options).run();
}

}  // namespace pravix::cli
