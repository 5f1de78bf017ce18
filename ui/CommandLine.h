// The command line: how the raw line splits into arguments, and which conversion they ask for.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packaging/Conversion.h"

namespace pravix {

// Splits the raw command line. Bytes 1 to 32 separate arguments; a double quote opens a part that
// runs to the next double quote (or the end) and may hold separators; quotes are removed; a pair of
// double quotes at the start of an argument is skipped. There is no escape character. Item 0 is
// the program as it was started.
std::vector<std::string> splitCommandLine(std::string_view line);

// Item `index` of the split line, or an empty string when there is none.
std::string commandLineArgument(std::string_view line, size_t index);

// The conversion that arguments 1 and 2 ask for: a ".SWF" path packs a projector (a screen saver
// when argument 2 is "SCR"), an ".EXE" path is extracted, anything else asks for none and the
// window opens. Only the ASCII letters' case is ignored.
std::optional<Task> chooseConversion(std::string_view argument1, std::string_view argument2);

}  // namespace pravix
