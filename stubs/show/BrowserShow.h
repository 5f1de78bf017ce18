// Shows a movie in a browser: the loopback server with the page, the web player's files and the
// movie, and a browser started on its address. The projector's and the screen saver's way of
// playing.
#pragma once

#include <functional>
#include <string>

#include "stubs/rules/EmbeddedMovie.h"
#include "stubs/site/PlayerPage.h"

namespace pravix::stub {

// What the show wears beside the movie: the page's title, whether a projector's window starts full
// screen, and what the program could not read of that, for the page's console (empty when
// nothing).
struct ShowFace {
  std::string title;
  bool fullScreen = false;
  std::string notice;
};

// The face the program's own resource kGameResourceName (packaging/GameFace.h) gives it, where it
// has one, titled `title` where that sets none. A resource that cannot be read leaves `title` and
// a window, and the notice says why.
ShowFace ownFace(const std::string& title);

struct ShowOutcome {
  enum class Kind { Shown, NoBrowser, CannotServe };
  Kind kind = Kind::Shown;
  std::string problem;  // for a person, when not shown
};

// Serves `movie` from its file, streamed, and shows it wearing `face`, in Microsoft Edge or Google
// Chrome: in a window (PageMode::Window) as an app window until that browser ends, or, without
// either, in the default browser until the page stops calling back (full screen from the start
// when the face says so, in the default browser from the user's first key or click); full screen
// (PageMode::FullScreen) in kiosk mode on the primary monitor until the page asks for the end or
// the browser ends, and without either browser not at all (NoBrowser). Returns once the movie is
// no longer shown: the browser started and everything it started have ended, and its profile
// folder is gone. `keepShowing`, when given, is asked every 50 to 250 ms while the movie is shown;
// the show ends when it says no.
ShowOutcome showInBrowser(const EmbeddedMovie& movie, const ShowFace& face, PageMode mode,
                          const std::function<bool()>& keepShowing = nullptr);

}  // namespace pravix::stub
