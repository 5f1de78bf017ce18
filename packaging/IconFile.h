// Icons: an .ico file's images, the resources a program's icon is made of (an icon group and its
// images), and the way back from those resources to an .ico file.
//
// .ico: ICONDIR (reserved 0, type 1, count: 2 bytes each), then for each image an entry of 16
// bytes (width, height: 1 byte each, 0 for 256; colours, reserved: 1 byte each; planes, bits per
// pixel: 2 bytes each; the image's size, its offset in the file: 4 bytes each), the images
// (a PNG, or a DIB whose height counts the mask's rows too) wherever the entries say.
// An icon group resource is the same with 14-byte entries that end in the image's resource ID
// (2 bytes) instead of an offset.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace pravix {

struct IconImage {
  unsigned width = 0;   // pixels, 1 to 256
  unsigned height = 0;  // pixels, 1 to 256
  unsigned bitCount = 0;
  std::string bytes;  // as the file holds it: a PNG or a DIB
  // The entry's colours, reserved and planes, kept as the file gives them.
  uint8_t colours = 0;
  uint16_t planes = 0;
};

// The images of the .ico file `bytes`; FileFormatError naming `file` for a file that is not an
// icon, is cut short, holds no image, or holds one over 256 pixels wide or high.
std::vector<IconImage> parseIconFile(std::string_view bytes, const std::string& file);

// The same for the file at `path`, read whole; FileOpenError when it cannot be.
std::vector<IconImage> readIconFile(const std::string& path, FileRules rules);

// The icon group resource for `images`, whose resource IDs are `firstId`, `firstId` + 1, ...
std::string iconGroup(const std::vector<IconImage>& images, uint16_t firstId);

// The size of each image an icon group names, in its order: width, height, 256 for a 0.
struct IconSize {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bitCount = 0;
};
inline bool operator==(const IconSize& a, const IconSize& b) {
  return a.width == b.width && a.height == b.height && a.bitCount == b.bitCount;
}
std::vector<IconSize> iconGroupSizes(std::string_view group);

// The .ico file of the icon group `group`, its images found by `image` (nothing for an ID it
// lacks, which is left out); nothing when the group cannot be read or no image is found.
std::optional<std::string> iconFileOf(
    std::string_view group, const std::function<std::optional<std::string_view>(uint16_t)>& image);

}  // namespace pravix
