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
std::string playerPage(const std::string& title, PageMode mode, const SaveLimits& limits);

// The settings the page reads from its element "settings", as JSON: the mode, the site's names,
// the saves' limits, and what ends a screen saver's show.
std::string pageSettings(PageMode mode, const SaveLimits& limits);

// `text` with the characters that mean something in HTML written as references.
std::string htmlText(const std::string& text);

}  // namespace pravix::stub
