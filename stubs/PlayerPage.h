// The page that plays the movie: the web player filling the window, letterboxed on the movie's
// background colour, and a call back to the server every second while the page is open. Free of
// Win32 so that it can be checked on any host.
#pragma once

#include <string>

namespace pravix::stub {

// The name the page loads the movie from, beside the page.
constexpr const char* kMovieName = "movie.swf";
// The web player's script, beside the page; it loads its other files from beside itself.
constexpr const char* kPlayerScriptName = "ruffle.js";

enum class PageMode {
  Window,      // the projector's: the movie in a window the user closes
  FullScreen,  // the screen saver's: no cursor, and the user's return ends the show
};

// The page, titled `title` (UTF-8).
std::string playerPage(const std::string& title, PageMode mode);

// `text` with the characters that mean something in HTML written as references.
std::string htmlText(const std::string& text);

}  // namespace pravix::stub
