// The game's face put on a copy of the stub, and read back from a package.
#include "packaging/GameFace.h"

#include <algorithm>

#include "packaging/ByteOrder.h"
#include "packaging/PeResources.h"
#include "packaging/VersionResource.h"
#include "platform/Text.h"

namespace pravix {
namespace {

// Windows lists a screen saver by its string 1, which is the second of the first block of 16.
constexpr uint16_t kDescriptionBlock = 1;
constexpr size_t kDescriptionIndex = 1;
const std::u16string kGameName(u"GAME");

// A resource of a numbered type.
Resource resourceOf(uint16_t type, ResourceName name, uint16_t language, std::string data) {
  Resource resource;
  resource.type.id = type;
  resource.name = std::move(name);
  resource.language = language;
  resource.data = std::move(data);
  return resource;
}

bool isType(const Resource& resource, uint16_t type) {
  return resource.type.name.empty() && resource.type.id == type;
}

template <typename Predicate>
void removeWhere(std::vector<Resource>& resources, Predicate predicate) {
  resources.erase(std::remove_if(resources.begin(), resources.end(), predicate), resources.end());
}

void removeType(std::vector<Resource>& resources, uint16_t type) {
  removeWhere(resources, [type](const Resource& resource) { return isType(resource, type); });
}

bool isGameResource(const Resource& resource) {
  return isType(resource, kDataResource) && resource.name.name == kGameName;
}

// The icon's images in place of the stub's: the group keeps the name and language of the stub's
// first, so that the program finds its icon where it always did.
void putIcon(std::vector<Resource>& resources, const std::vector<IconImage>& images) {
  ResourceName groupName{kStubIconGroup, {}};
  uint16_t language = kVersionLanguage;
  const auto group = std::find_if(resources.begin(), resources.end(),
                                  [](const Resource& r) { return isType(r, kIconGroupResource); });
  if (group != resources.end()) {
    groupName = group->name;
    language = group->language;
  }
  removeType(resources, kIconResource);
  removeType(resources, kIconGroupResource);
  uint16_t id = 1;
  for (const IconImage& image : images) {
    resources.push_back(resourceOf(kIconResource, {id++, {}}, language, image.bytes));
  }
  resources.push_back(resourceOf(kIconGroupResource, groupName, language, iconGroup(images, 1)));
}

// A block of 16 strings, each its length in UTF-16 units and its units, with `text` at `index`.
std::string stringBlock(size_t index, std::u16string_view text) {
  std::string block;
  for (size_t i = 0; i < 16; ++i) {
    const std::u16string_view string = i == index ? text : std::u16string_view();
    appendLittleEndian(block, string.size(), 2);
    for (const char16_t c : string) appendLittleEndian(block, c, 2);
  }
  return block;
}

}  // namespace

std::string dressedStub(const std::string& stub, const std::string& stubPath,
                        const GameOptions& options, FileRules rules) {
  // The icon first: a file that is no icon is the user's to mend before the stub is looked at.
  std::vector<IconImage> images;
  if (options.icon) images = readIconFile(*options.icon, rules);
  try {
    std::vector<Resource> resources = readResources(stub);
    if (options.icon) putIcon(resources, images);
    removeWhere(resources, isGameResource);
    if (options.title || options.fullScreen.value_or(false)) {
      GameOptions shown;
      shown.title = options.title;
      if (options.fullScreen.value_or(false)) shown.fullScreen = true;
      resources.push_back(resourceOf(kDataResource, {0, kGameName}, 0, optionsText(shown)));
    }
    if (options.title) {
      removeWhere(resources, [](const Resource& resource) {
        return isType(resource, kStringResource) && resource.name.id == kDescriptionBlock;
      });
      resources.push_back(
          resourceOf(kStringResource, {kDescriptionBlock, {}}, kVersionLanguage,
                     stringBlock(kDescriptionIndex, utf16Of(*options.title).value_or(u""))));
    }
    if (!options.version.empty()) {
      removeType(resources, kVersionResource);
      resources.push_back(resourceOf(kVersionResource, {1, {}}, kVersionLanguage,
                                     versionResource(options.version)));
    }
    return withResources(stub, std::move(resources));
  } catch (const PeFormatError& e) {
    throw FileFormatError(stubPath, std::string("cannot wear the game's face: it ") + e.what());
  }
}

std::optional<GameFace> readGameFace(const ReadAt& read, uint64_t size) {
  std::vector<Resource> resources;
  try {
    resources = readResources(read, size);
  } catch (const PeFormatError&) {
    return std::nullopt;
  }
  GameFace face;
  bool iconFound = false;
  for (const Resource& resource : resources) {
    if (isType(resource, kIconGroupResource) && !iconFound) {
      face.icon = iconGroupSizes(resource.data);
      iconFound = true;
    } else if (isGameResource(resource)) {
      try {
        const GameOptions shown = parseOptions(resource.data, {});
        face.title = shown.title;
        face.fullScreen = shown.fullScreen.value_or(false);
      } catch (const FileError&) {
        // What the stub cannot read it does not show: it plays with its defaults.
      }
    } else if (isType(resource, kVersionResource) && face.version.empty()) {
      face.version = versionStrings(resource.data);
    }
  }
  return face;
}

}  // namespace pravix
