// The movie a stub carries at the end of its own file, and the "/x PATH" command both stubs share.
//
// Exit codes of "/x PATH", the same for the projector and the screen saver:
//   0  the movie was written to PATH
//   1  the program's own file holds no movie (no valid trailer) or cannot be read
//   2  PATH cannot be created or written (a partly written file is removed)
//   3  bad usage: a missing PATH, extra arguments or an unknown switch
// Every failure also prints one line to standard error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "packaging/PackageFormat.h"
#include "stubs/MovieInfo.h"

namespace pravix::stub {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitNoMovie = 1,
  kExitCannotWrite = 2,
  kExitBadUsage = 3,
};

// The running program's file name alone (a copy may be renamed).
std::string programName();

enum class WriteMode { Replace, CreateNew };
enum class WriteResult { Done, ReadFailed, CreateFailed, WriteFailed };

class EmbeddedMovie {
 public:
  // The movie at the end of the file at `path`, or nothing when the file cannot be read or its
  // trailer does not describe one; `problem` then says which, for a person.
  static std::optional<EmbeddedMovie> open(const std::string& path, Package kind,
                                           std::string& problem);

  uint32_t length() const { return range_.length; }
  MovieHeader header() const;

  // Copies the movie to `path`; a file that could not be completed is removed again. On failure
  // GetLastError() tells why.
  WriteResult writeTo(const std::string& path, WriteMode mode) const;

 private:
  EmbeddedMovie(FileHandle file, MovieRange range) : file_(std::move(file)), range_(range) {}

  FileHandle file_;
  MovieRange range_;
};

// Writes one line to the standard error of the process, or of the console that started it.
void printError(const std::string& line);

// The arguments after the program name, as the C runtime split the ANSI command line.
std::vector<std::string> programArguments();

// A switch such as "/s", "-S" or "/p:1234" in `arguments[0]`: its lower-case letter, then its
// operands: the text after a colon, if any, followed by the remaining arguments. Nothing when
// there is no argument or the first is not a single-letter switch.
struct Switch {
  char letter = 0;
  std::vector<std::string> operands;
};
std::optional<Switch> parseSwitch(const std::vector<std::string>& arguments);

// Runs "/x PATH" on the running program's own file; `operands` must be exactly PATH.
int extractOwnMovie(Package kind, const std::vector<std::string>& operands);

}  // namespace pravix::stub
