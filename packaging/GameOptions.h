// A game's options for its projector or screen saver: the folder whose files it carries, and the
// face it wears (icon, title, version strings, full screen). They come from the options file beside
// the movie, from `pravix`'s flags, or from the window's dialog, which writes that file. A movie
// without any packs exactly as it always has.
//
// The options file is an INI file named after the movie ("game.swf": "game.pravix.ini"), UTF-8
// (with or without a byte-order mark) or UTF-16 with its mark, as Notepad saves it:
//
//   ; lines starting with ";" or "#" are comments
//   [Projector]
//   Include=assets          a folder, relative to the movie's folder unless absolute
//   Icon=art\game.ico       an icon file, likewise; "\" and "/" both separate folders
//   Title=Sky Runner
//   FullScreen=yes          yes/no, true/false, on/off, 1/0
//   [Version]
//   ProductName=Sky Runner  any of kVersionNames
//   FileVersion=1.2.3.4
//
// Sections and names are matched without regard to case; blanks around names and values are
// dropped, and a value in double quotes loses them. An empty value sets nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace pravix {

// The version strings a version resource holds, as Windows names them, in this order: the order
// they are written in, the resource's and the file's, those a person reads most first.
extern const std::vector<std::string_view> kVersionNames;

struct VersionString {
  std::string name;  // one of kVersionNames, as it is written there
  std::string value;
};
bool operator==(const VersionString& a, const VersionString& b);

struct GameOptions {
  std::optional<std::string> include;  // a folder whose files the package carries
  std::optional<std::string> icon;     // an .ico file whose images become the program's icon
  std::optional<std::string> title;    // the window's title, instead of the projector's name
  std::optional<bool> fullScreen;      // starts full screen
  std::vector<VersionString> version;  // at most one of each name, in kVersionNames order
};
bool operator==(const GameOptions& a, const GameOptions& b);

// Whether the options change the stub (icon, title, full screen or a version string): without,
// the stub is copied as it is. Full screen set to no changes nothing: a stub starts in a window.
bool dressesStub(const GameOptions& options);

// `over` laid over `base`: each option `over` sets wins, version strings name by name.
GameOptions overlaid(const GameOptions& over, const GameOptions& base);

// Sets the version string `name` (any case of one of kVersionNames) to `value`, in its place;
// FileFormatError (naming `file`, empty for a command line's) for an unknown name.
void setVersionString(GameOptions& options, std::string_view name, std::string value,
                      const std::string& file = {});

// What a stub can take, checked before anything is written: a title and each value at most
// kLongestOptionText UTF-16 units with no control characters, FileVersion and ProductVersion one
// to four numbers of 0 to 65535 separated by ".". FileFormatError naming `file` otherwise.
constexpr size_t kLongestOptionText = 1024;
void checkOptions(const GameOptions& options, const std::string& file = {});

// The options file of `movie`: beside it, named after it.
std::string optionsFileOf(const std::string& movie);

// The file's text for `options` (UTF-8 without a byte-order mark), paths as they are given, lines
// ended by CR LF. A section with nothing set is left out, and so is an empty value, which the file
// cannot tell from none.
std::string optionsText(const GameOptions& options);

// The options that `text` holds, paths as they are written; FileFormatError naming `file` and the
// line for anything it cannot read (an unknown section or name, a name given twice, a line that is
// neither, text that is not UTF-8), and for what checkOptions refuses.
GameOptions parseOptions(std::string_view text, const std::string& file);

// The options file of `movie`, its paths made paths from here (relative ones joined to the movie's
// folder, "\" turned into "/" where only "/" separates); nothing when there is no such file.
// FileOpenError when it cannot be read, and FileFormatError as parseOptions and for a file of more
// than a MiB, which no person wrote.
std::optional<GameOptions> readOptionsFile(const std::string& movie, FileRules rules);

// The options file of `movie` as it is written, its paths too, for a person to edit; nothing when
// there is no such file. Throws as readOptionsFile.
std::optional<GameOptions> readWrittenOptions(const std::string& movie, FileRules rules);

// A path that the options file of `movie` writes (not empty), as a path from here: a relative one
// joined to the movie's folder.
std::string optionPathFrom(const std::string& movie, const std::string& written);

// Writes `options` as the options file of `movie`, whole or not at all; FileFormatError as
// checkOptions before anything is written.
void writeOptionsFile(const std::string& movie, const GameOptions& options, FileRules rules);

}  // namespace pravix
