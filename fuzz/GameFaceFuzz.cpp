// Fuzzes what a game's face is read from: a program's resources, an icon file and an options file.
// The input's first byte chooses which; the rest is the file. Whatever is read must be written
// again to what reads back the same: the resources into the program they came from, the options
// into their file's text.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "packaging/GameOptions.h"
#include "packaging/IconFile.h"
#include "packaging/PeResources.h"

namespace {

// The resources in one order, whatever order the tree gave them in.
std::vector<std::string> listed(const std::vector<pravix::Resource>& resources) {
  std::vector<std::string> list;
  for (const pravix::Resource& r : resources) {
    const std::u16string key = r.type.name + u'/' + static_cast<char16_t>(r.type.id) + u'/' +
                               r.name.name + u'/' + static_cast<char16_t>(r.name.id) + u'/' +
                               static_cast<char16_t>(r.language);
    list.push_back(std::string(reinterpret_cast<const char*>(key.data()), 2 * key.size()) + '|' +
                   r.data);
  }
  std::sort(list.begin(), list.end());
  return list;
}

void fuzzProgram(std::string_view image) {
  std::vector<pravix::Resource> resources;
  try {
    resources = pravix::readResources(image);
  } catch (const pravix::PeFormatError&) {
    return;
  }
  std::string rewritten;
  try {
    rewritten = pravix::withResources(image, resources);
  } catch (const pravix::PeFormatError&) {
    return;  // a layout whose resources cannot grow
  }
  PRAVIX_FUZZ_CHECK(listed(pravix::readResources(rewritten)) == listed(resources),
                    "resources written back read otherwise");
}

void fuzzIcon(std::string_view bytes) {
  std::vector<pravix::IconImage> images;
  try {
    images = pravix::parseIconFile(bytes, "fuzz.ico");
  } catch (const pravix::FileError&) {
    return;
  }
  PRAVIX_FUZZ_CHECK(!images.empty(), "an icon read with no image");
  const std::vector<pravix::IconSize> sizes = pravix::iconGroupSizes(pravix::iconGroup(images, 1));
  PRAVIX_FUZZ_CHECK(sizes.size() == images.size(), "a group that lost images");
  for (size_t i = 0; i < sizes.size(); ++i) {
    PRAVIX_FUZZ_CHECK(sizes[i].width == images[i].width && sizes[i].height == images[i].height,
                      "a group that tells another size");
  }
}

void fuzzOptions(std::string_view text) {
  pravix::GameOptions options;
  try {
    options = pravix::parseOptions(text, "fuzz.pravix.ini");
  } catch (const pravix::FileError&) {
    return;
  }
  PRAVIX_FUZZ_CHECK(pravix::parseOptions(pravix::optionsText(options), "again") == options,
                    "options written back read otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      fuzzProgram(file);
      break;
    case 1:
      fuzzIcon(file);
      break;
    default:
      fuzzOptions(file);
      break;
  }
  return 0;
}
