// What the two stub programs share on Win32: their name, their error output, their arguments, and
// "/x PATH", which writes the program's own movie to PATH.
//
// Exit codes of "/x PATH", the same for the projector and the screen saver:
//   0  the movie was written to PATH
//   1  the program's own file holds no movie (no valid trailer) or cannot be read
//   2  PATH cannot be created or written (the movie is written beside PATH and moved over it only
//      once complete, so a failure leaves no partial movie and whatever stood at PATH unchanged)
//   3  bad usage: a missing PATH, extra arguments or an unknown switch
// Every failure also prints one line to standard error.
#pragma once

#include <string>
#include <vector>

#include "packaging/Conversion.h"
#include "packaging/PackageFormat.h"

namespace pravix::stub {

// The running program's file name alone (a copy may be renamed).
std::string programName();

// That name without `extension` (".exe", ".scr"), in any case, where it ends in it: the title of
// the page that shows the movie.
std::string programTitle(const char* extension);

// Writes one line to the standard error of the process, or of the console that started it.
void printError(const std::string& line);

// The arguments after the program name, as the C runtime split the ANSI command line.
std::vector<std::string> programArguments();

// Runs "/x PATH" on the running program's own file; `operands` must be exactly PATH.
ExitCode extractOwnMovie(Package kind, const std::vector<std::string>& operands);

// Tells the usage of the program's switches on standard error; gives the exit code of bad usage.
ExitCode badUsage(const std::string& switches);

}  // namespace pravix::stub
