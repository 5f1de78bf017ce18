// The command line: how the raw line splits into arguments, and which conversion they ask for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pravix {

// Splits the raw command line. Bytes 1 to 32 separate arguments; a double quote opens a part that
// runs to the next double quote (or the end) and may hold separators; quotes are removed; a pair of
// double quotes at the start of an argument is skipped. There is no escape character. Item 0 is
// the program as it was started.
std::vector<std::string> splitCommandLine(std::string_view line);

// Item `index` of the split line, or an empty string when there is none.
std::string commandLineArgument(std::string_view line, size_t index);

// One of the three conversions: source, target (empty for the default name beside the source).
using Conversion = bool (*)(const std::string& source, const std::string& target);

// How a command-line conversion ended, as the program's exit code tells it.
enum ExitCode : int {
  kExitWritten = 0,  // the output was written (and the code of every interactive run)
  kExitRefused = 1,  // nothing was written, for a reason the conversion found itself
  kExitFailed = 2,   // the conversion failed with an error, shown before the program ended
};

// The conversion that arguments 1 and 2 ask for: a ".SWF" path packs a projector (a screen saver
// when argument 2 is "SCR"), an ".EXE" path is extracted, anything else asks for none (nullptr)
// and the window opens. Only the ASCII letters' case is ignored.
Conversion chooseConversion(std::string_view argument1, std::string_view argument2);

// The command that installs `screenSaver` as the current screen saver through the display
// settings. The installer is named by its full path in `systemDirectory`: the open dialog may have
// made the movie's folder current, and a program of that name there must not be run instead.
std::string screenSaverInstallCommand(const std::string& systemDirectory,
                                      const std::string& screenSaver);

}  // namespace pravix
