// The movie a stub carries at the end of its own file, and the "/x PATH" command both stubs share.
//
// Exit codes of "/x PATH", the same for the projector and the screen saver:
//   0  the movie was written to PATH
//   1  the program's own file holds no movie (no valid trailer) or cannot be read
//   2  PATH cannot be created or written (the movie is written beside PATH and moved over it only
//      once complete, so a failure leaves no partial movie and whatever stood at PATH unchanged)
//   3  bad usage: a missing PATH, extra arguments or an unknown switch
// Every failure also prints one line to standard error.
//
// EmbeddedMovie needs only the file layer and is built on every host; the rest is the stubs' own
// Win32 program (EmbeddedMovie_win32.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "packaging/MovieHeader.h"
#include "packaging/PackageFormat.h"
#include "stubs/MovieInfo.h"
#include "stubs/Switch.h"

namespace pravix::stub {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitNoMovie = 1,
  kExitCannotWrite = 2,
  kExitBadUsage = 3,
};

class EmbeddedMovie {
 public:
  // The movie at the end of the file at `path`, which stays open for reading by others too (it is
  // the running program's own image). Nothing when the file cannot be read or its trailer does not
  // describe a movie; `problem` then says which, for a person.
  static std::optional<EmbeddedMovie> open(const std::string& path, Package kind,
                                           std::string& problem);

  uint32_t length() const { return range_.length; }
  // The stub's own file, open for reading, and where the movie lies in it.
  const File& file() const { return file_; }
  MovieRange range() const { return range_; }
  // The movie's header; a too short one when it cannot be read.
  MovieHeader header() const;

  // Writes the whole movie to `output`: StreamReadError or StreamWriteError when it cannot.
  void copyTo(File& output) const;

 private:
  EmbeddedMovie(File file, MovieRange range) : file_(std::move(file)), range_(range) {}

  File file_;
  MovieRange range_;
};

// The running program's file name alone (a copy may be renamed).
std::string programName();

// Writes one line to the standard error of the process, or of the console that started it.
void printError(const std::string& line);

// The arguments after the program name, as the C runtime split the ANSI command line.
std::vector<std::string> programArguments();

// Runs "/x PATH" on the running program's own file; `operands` must be exactly PATH.
int extractOwnMovie(Package kind, const std::vector<std::string>& operands);

}  // namespace pravix::stub
