// The three conversion routines by their long-standing names: a movie into a projector or a screen
// saver, and a movie out of a projector. Each returns false for the failures it detects itself
// (no stub, no projector marker) and throws FileError for the rest; an empty target means the
// default name beside the source.
#pragma once

#include <string>

namespace pravix {

bool SwfToExe(const std::string& source, const std::string& target);
bool ExeToSwf(const std::string& source, const std::string& target);
bool SwfToScr(const std::string& source, const std::string& target);

}  // namespace pravix
