// How the stubs start a browser as a window of the movie: the command line and the window's size.
// Free of Win32 so that it can be checked on any host.
#pragma once

#include <string>

#include "packaging/MovieHeader.h"

namespace pravix::stub {

struct WindowSize {
  int width = 0;
  int height = 0;
};

// Flash's stage size, for a movie whose frame the stub cannot read.
constexpr WindowSize kDefaultStage{550, 400};

// The stage's size in pixels from the header, or kDefaultStage; scaled down, proportions kept, to
// fit `most` (the screen's work area less the window's frame).
WindowSize stageWindowSize(const MovieHeader& header, WindowSize most);

// `argument` as one argument of a Win32 command line, as CommandLineToArgvW and the C runtime
// split it: quoted when it holds a blank, a tab or a quote, quotes and the backslashes before
// them escaped.
std::string quoteArgument(const std::string& argument);

// The command line that opens `address` in the browser at `browser` as an app window of that
// size, with a profile of its own in `profile`, no first-run pages, and sound without a click;
// with `fullScreen`, the window starts full screen (the size is the one it takes when the user
// leaves full screen).
std::string appWindowCommand(const std::string& browser, const std::string& address,
                             const std::string& profile, WindowSize size, bool fullScreen);

// The command line that opens `address` full screen on the primary monitor, in kiosk mode (no
// frame, no bars, no way out but the page's own), with a profile of its own in `profile` and no
// first-run pages. The browser's own rule keeps the sound off: nobody started the show.
std::string kioskCommand(const std::string& browser, const std::string& address,
                         const std::string& profile);

}  // namespace pravix::stub
