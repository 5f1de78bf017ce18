// Shows a movie in a browser window: the loopback server with the page, the web player's files
// and the movie, and a browser started on its address. The projector's way of playing.
#pragma once

#include <string>

#include "packaging/PackageFormat.h"
#include "platform/File.h"

namespace pravix::stub {

struct ShowOutcome {
  enum class Kind { Shown, NoBrowser, CannotServe };
  Kind kind = Kind::Shown;
  std::string problem;  // for a person, when not shown
};

// Serves the movie at `movie` in `file`, streamed, and shows it titled `title`: in Microsoft Edge
// or Google Chrome as an app window until that browser ends, else in the default browser until
// the page stops calling back. Returns once the movie is no longer shown.
ShowOutcome showInBrowser(const File& file, MovieRange movie, const std::string& title);

}  // namespace pravix::stub
