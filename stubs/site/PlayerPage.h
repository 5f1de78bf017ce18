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
                       const std::string& notice);

// The settings the page reads from its element "settings", as JSON: the mode, the site's names,
// the saves' limits, what ends a screen saver's show, and `notice`, for the page's console (what
// the program could not serve), empty when there is nothing to tell.
std::string pageSettings(PageMode mode, const SaveLimits& limits, const std::string& notice);

// `text` with the characters that mean something in HTML written as references.
std::string htmlText(const std::string& text);

}  // namespace pravix::stub
