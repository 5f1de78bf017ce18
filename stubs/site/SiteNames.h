// Every name of the loopback site, below the address's secret, and the fields its page and the
// server exchange: the server routes by them, and the page is handed them all (PlayerPage.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

// The movie, beside the page.
constexpr const char* kMovieName = "movie.swf";
// The web player's script, beside the page; it loads its other files from beside itself.
constexpr const char* kPlayerScriptName = "ruffle.js";
// The icon of the program, for the window's title bar and the taskbar.
constexpr const char* kIconName = "icon.ico";
// What the page calls every second while it is open: answered with 204.
constexpr const char* kCallBackName = "alive";
// What the page calls when the show is over (the movie quit, or the user is back at a screen
// saver): answered with 204, and the show ends.
constexpr const char* kEndName = "end";
// The folder of the movie's saves: GET gives them all, PUT and DELETE "saves/NAME.sol" keep and
// remove one.
constexpr const char* kSavesName = "saves/";
// The movie's `fscommand("exec", NAME)`: POST "exec/NAME".
constexpr const char* kExecName = "exec/";

// The saves listing's field that gives the page its number, and the field of each change that
// numbers it: "PAGE.CHANGE" (see SaveOrder).
constexpr const char* kPageField = "Pravix-Page";
constexpr const char* kOrderField = "Pravix-Order";

// A save's file name, and its name below kSavesName: the shared object's name and ".sol", as
// Flash Player named the files.
constexpr std::string_view kSaveExtension = ".sol";
std::string saveFileName(std::string_view name);
// The shared object's name in such a file name; nothing when it is none.
std::optional<std::string> saveNameOf(std::string_view fileName);

}  // namespace pravix::stub
