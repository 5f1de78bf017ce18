// The face a package's stub wears: its icon and version resource in the PE image, and a resource
// of ours that the stub reads for its window's title and full screen. Written into a copy of the
// stub as it is packed, read back by `pravix info`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "packaging/GameOptions.h"
#include "packaging/IconFile.h"
#include "packaging/PackageFormat.h"
#include "packaging/Reading.h"

namespace pravix {

// The stub's own resource (RT_RCDATA, this name) that holds the title and full screen: the text of
// an options file (optionsText) that sets only those. A stub without it is titled with its
// package's name and starts in a window.
constexpr char kGameResourceName[] = "GAME";
// The icon group the stubs are built with, which the program's icon is: resource ID 1.
constexpr uint16_t kStubIconGroup = 1;

// The stub image `stub` (the file `stubPath`) wearing the options' icon (read from its file),
// title, full screen and version strings; a screen saver's title is also the name Windows lists
// it by (string 1). Every other resource of the stub is kept as it is. FileFormatError for an
// icon that is not one, or a stub whose resources cannot be rewritten; FileOpenError for an icon
// that cannot be read.
std::string dressedStub(const std::string& stub, const std::string& stubPath,
                        const GameOptions& options, FileRules rules);

// What a package's stub wears, read back from its PE image.
struct GameFace {
  std::vector<IconSize> icon;  // the images of the program's icon
  std::optional<std::string> title;
  bool fullScreen = false;
  std::vector<VersionString> version;  // the strings of the version resource, in its order
};

// The face of the package of `size` bytes that `read` reads; nothing when its start is no PE
// image with resources we can read (a stub of another kind, a damaged one).
std::optional<GameFace> readGameFace(const ReadAt& read, uint64_t size);

}  // namespace pravix
