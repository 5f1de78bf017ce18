// One conversion, described by a job and ended by a typed outcome: the one road to the files for
// the window, the program's command line and `pravix`. What a conversion decides (the default
// target, the stub, the refusals, the exit code) is decided here and nowhere else.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "packaging/GameOptions.h"
#include "packaging/Layouts.h"
#include "packaging/PackageFormat.h"
#include "platform/File.h"

namespace pravix {

enum class Task { PackProjector, PackScreenSaver, Extract };

struct Job {
  Task task = Task::PackProjector;
  std::string source;
  // Packing: the stub to copy; empty for the one in the program's folder.
  std::string stub;
  // Where the result goes: `target`, empty for the default name beside the source; or, when
  // `stream` is set, the stream at its position (standard output, say), written as it comes.
  std::string target;
  File* stream = nullptr;
  Progress progress;
  // Read instead of opening `source`, which then only names it: standard input, say. Packing
  // reads a stream (a pipe) to its end, and writes the movie's length after it.
  File* input = nullptr;
  FileRules rules = FileRules::Windows;
  // Without Replace, a file at the target ends the conversion as TargetExists: before anything is
  // written, and also when it appears while the result is written.
  Existing existing = Existing::Replace;
  // Extraction: every layout of Layouts.h, a macOS projector's folder included (a zip's deflated
  // movie unpacked), rather than our projector's alone (the Windows program's rule).
  bool everyLayout = false;
  // Packing: the game's options (GameOptions.h), over those of the options file beside the
  // source, which a movie read from `input` has none of. `include`: a folder whose files, and
  // those of every folder below, the package carries beside its movie (PackedFiles.h); none, or an
  // empty one, packs exactly stub, movie and trailer. The icon, title, full screen and version
  // strings dress a copy of the stub (GameFace.h); without them the stub is copied as it is.
  GameOptions options{};
};

// What a conversion found itself. Everything else is a FileError: FileRefusedError for what it
// refuses by its own rules before anything is written, the other kinds for I/O failures.
enum class Outcome {
  Written,         // the result is whole and in place
  NoStub,          // packing: no file stands at the stub's path, or a stub the caller named is
                   // empty (it would give a projector with no program in front); nothing was
                   // written
  TargetExists,    // a file stands at the target, which the job keeps; nothing was written
  NotProjector,    // extraction: the source has no projector trailer; nothing was written
  DamagedTrailer,  // extraction: the trailer cannot be read whole, or names a movie longer than
                   // the file; nothing was written
};

struct Result {
  Outcome outcome = Outcome::Written;
  // Why nothing was written, for a person: the trailer's reason ("it has no projector trailer"),
  // or what is wrong with the stub. Empty when written.
  std::string reason;
  // The file the reason is about: the stub, the source or the target, as the job names it.
  std::string file;
};

// The options a packing job packs with: its own over those of the source's options file.
// FileOpenError and FileFormatError as readOptionsFile, and checkOptions.
GameOptions optionsOf(const Job& job);

Result convert(const Job& job);

// The default target: the source with its extension changed to ".exe", ".scr" or ".swf".
std::string defaultTarget(Task task, const std::string& source);

// The path a job writes (unless it writes a stream): its target, or the default one.
std::string targetOf(const Job& job);

// The file name of a packing's stub: "Player.exe" or "Quendel.dll".
const char* stubName(Task task);

// The first of `folders` (each ending in its separator) where the packing's stub is a file.
std::optional<std::string> findStub(Task task, const std::vector<std::string>& folders);

// Why the file at `stub`, named by the caller, cannot serve as a stub ("no such stub file", "the
// stub file is empty"), or nothing when it can.
std::optional<std::string> stubRefusal(const std::string& stub);

// How a run ended, as a program's exit code tells it.
enum ExitCode : int {
  kExitWritten = 0,  // every result was written (and every run without a conversion)
  kExitRefused = 1,  // nothing was written, for a reason found before anything was touched
  kExitFailed = 2,   // a conversion failed, or could not read what it was given
  kExitUsage = 3,    // a stub was started with switches it does not know
};

ExitCode exitCode(Outcome outcome);

// The exit code of a failure: refused for FileRefusedError, failed for every other.
ExitCode exitCode(const FileError& failure);

}  // namespace pravix
