// The page that plays the movie: page.html and its scripts (page/), built into the program, handed
// its title and its settings as data.
#pragma once

#include <string>

#include "stubs/site/SaveStore.h"

namespace pravix::stub {

enum class PageMode {
  Window,      // the projector's: the movie in a window the user closes
  FullScreen,  // the screen saver's: no cursor, and the user's return ends the show
};

// The page, titled `title` (UTF-8).
std::string playerPage(const std::string& title, PageMode mode, const SaveLimits& limits,
                       const std::string& notice, bool askFullScreen);

// The settings the page reads from its element "settings", as JSON: the mode, the site's names,
// the saves' limits, what ends a screen saver's show, `notice`, for the page's console (what the
// program could not serve or read), empty when there is nothing to tell, and `askFullScreen`: the
// page asks the browser for full screen at the user's first key or click (a browser grants it
// only then), for a game that starts full screen where no switch of the browser's does it.
std::string pageSettings(PageMode mode, const SaveLimits& limits, const std::string& notice,
                         bool askFullScreen);

// `text` with the characters that mean something in HTML written as references.
std::string htmlText(const std::string& text);

}  // namespace pravix::stub
