// Icons read from .ico files, written as resources, and put back together from resources.
#include "packaging/IconFile.h"

#include "packaging/ByteOrder.h"

namespace pravix {
namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr unsigned kLargestIcon = 256;
// An icon file is read whole: one of more than this is no icon.
constexpr uint64_t kLargestIconFile = 64 * 1024 * 1024;

const uint8_t* bytesAt(std::string_view bytes, size_t at) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + at;
}

// An entry's width or height byte: 0 stands for 256.
unsigned sideOf(uint8_t side) {
  return side == 0 ? kLargestIcon : side;
}

// The image's own size and depth: a PNG's header, or a DIB's (whose height counts the mask too).
// False when the image is too short to tell.
bool measure(IconImage& image) {
  const std::string_view bytes = image.bytes;
  static constexpr std::string_view kPng("\x89PNG\r\n\x1a\n", 8);
  if (bytes.substr(0, 8) == kPng) {
    if (bytes.size() < 26) return false;
    image.width = static_cast<unsigned>(bigEndian(bytesAt(bytes, 16), 4));
    image.height = static_cast<unsigned>(bigEndian(bytesAt(bytes, 20), 4));
    // Bits per sample times samples per pixel, by the PNG's colour type.
    const unsigned depth = bytesAt(bytes, 24)[0];
    const unsigned colourType = bytesAt(bytes, 25)[0];
    const unsigned samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    if (image.bitCount == 0) image.bitCount = depth * samples;
    return true;
  }
  if (bytes.size() < 16) return false;
  const int32_t width = static_cast<int32_t>(littleEndian32(bytesAt(bytes, 4)));
  const int32_t height = static_cast<int32_t>(littleEndian32(bytesAt(bytes, 8)));
  image.width = width < 0 ? UINT32_MAX : static_cast<unsigned>(width);
  image.height = height < 0 ? UINT32_MAX : static_cast<unsigned>(height) / 2;
  if (image.bitCount == 0) image.bitCount = littleEndian16(bytesAt(bytes, 14));
  return true;
}

}  // namespace

std::vector<IconImage> parseIconFile(std::string_view bytes, const std::string& file) {
  if (bytes.size() < kDirectorySize || littleEndian16(bytesAt(bytes, 0)) != 0 ||
      littleEndian16(bytesAt(bytes, 2)) != 1) {
    throw FileFormatError(file, "is not an icon file");
  }
  const size_t count = littleEndian16(bytesAt(bytes, 4));
  if (count == 0) throw FileFormatError(file, "is an icon file with no image");
  if (bytes.size() < kDirectorySize + count * kFileEntrySize) {
    throw FileFormatError(file, "is cut short: it ends within its list of images");
  }
  std::vector<IconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytesAt(bytes, kDirectorySize + i * kFileEntrySize);
    const uint64_t length = littleEndian32(entry + 8);
    const uint64_t offset = littleEndian32(entry + 12);
    const std::string number = std::to_string(i + 1);
    if (offset > bytes.size() || length > bytes.size() - offset) {
      throw FileFormatError(file, "is cut short: it ends within image " + number);
    }
    IconImage image;
    image.colours = entry[2];
    image.planes = littleEndian16(entry + 4);
    image.bitCount = littleEndian16(entry + 6);
    image.bytes = std::string(bytes.substr(offset, length));
    image.width = sideOf(entry[0]);
    image.height = sideOf(entry[1]);
    if (!measure(image)) {
      throw FileFormatError(file, "is damaged: image " + number + " is too short to be one");
    }
    if (image.width == 0 || image.height == 0) {
      throw FileFormatError(file, "is damaged: image " + number + " has no pixels");
    }
    if (image.width > kLargestIcon || image.height > kLargestIcon) {
      throw FileFormatError(file, "holds an image over 256 pixels wide or high (image " + number +
                                      ", " + std::to_string(image.width) + "x" +
                                      std::to_string(image.height) + ")");
    }
    if (image.planes == 0) image.planes = 1;
    images.push_back(std::move(image));
  }
  return images;
}

std::vector<IconImage> readIconFile(const std::string& path, FileRules rules) {
  const File file(path, FileMode::ReadExisting, rules);
  const uint64_t size = file.size();
  if (size > kLargestIconFile) throw FileFormatError(path, "is not an icon file: it is too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  file.readAt(0, bytes.data(), bytes.size());
  return parseIconFile(bytes, path);
}

std::string iconGroup(const std::vector<IconImage>& images, uint16_t firstId) {
  std::string group;
  appendLittleEndian(group, 0, 2);
  appendLittleEndian(group, 1, 2);
  appendLittleEndian(group, images.size(), 2);
  uint16_t id = firstId;
  for (const IconImage& image : images) {
    appendLittleEndian(group, image.width % kLargestIcon, 1);
    appendLittleEndian(group, image.height % kLargestIcon, 1);
    appendLittleEndian(group, image.colours, 1);
    appendLittleEndian(group, 0, 1);
    appendLittleEndian(group, image.planes, 2);
    appendLittleEndian(group, image.bitCount, 2);
    appendLittleEndian(group, image.bytes.size(), 4);
    appendLittleEndian(group, id++, 2);
  }
  return group;
}

std::vector<IconSize> iconGroupSizes(std::string_view group) {
  std::vector<IconSize> sizes;
  if (group.size() < kDirectorySize) return sizes;
  const size_t count = littleEndian16(bytesAt(group, 4));
  for (size_t i = 0; i < count && kDirectorySize + (i + 1) * kGroupEntrySize <= group.size(); ++i) {
    const uint8_t* entry = bytesAt(group, kDirectorySize + i * kGroupEntrySize);
    sizes.push_back({sideOf(entry[0]), sideOf(entry[1]), littleEndian16(entry + 6)});
  }
  return sizes;
}

std::optional<std::string> iconFileOf(
    std::string_view group, const std::function<std::optional<std::string_view>(uint16_t)>& image) {
  if (group.size() < kDirectorySize) return std::nullopt;
  const size_t count = littleEndian16(bytesAt(group, 4));
  if (group.size() < kDirectorySize + count * kGroupEntrySize) return std::nullopt;
  // Each image found, with the first 8 bytes of its entry as the group has them.
  std::vector<std::pair<const uint8_t*, std::string_view>> found;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytesAt(group, kDirectorySize + i * kGroupEntrySize);
    if (const std::optional<std::string_view> bytes = image(littleEndian16(entry + 12))) {
      found.emplace_back(entry, *bytes);
    }
  }
  if (found.empty()) return std::nullopt;
  std::string file;
  appendLittleEndian(file, 0, 2);
  appendLittleEndian(file, 1, 2);
  appendLittleEndian(file, found.size(), 2);
  // The entries, their sizes the images' own and their IDs become offsets, then the images.
  size_t offset = kDirectorySize + found.size() * kFileEntrySize;
  for (const auto& [entry, bytes] : found) {
    file.append(reinterpret_cast<const char*>(entry), 8);
    appendLittleEndian(file, bytes.size(), 4);
    appendLittleEndian(file, offset, 4);
    offset += bytes.size();
  }
  for (const auto& each : found) file += each.second;
  return file;
}

}  // namespace pravix
