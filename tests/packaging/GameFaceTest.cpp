// The game's face: a program's resources rewritten, icons read and put back together, the version
// resource, and a stub dressed by a conversion.
#include "packaging/GameFace.h"

#include <gtest/gtest.h>

#include <fstream>

#include "packaging/ByteOrder.h"
#include "packaging/Conversion.h"
#include "packaging/PeResources.h"
#include "packaging/VersionResource.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

using test::Bytes;

std::string text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

uint32_t u32At(const std::string& bytes, size_t at) {
  return littleEndian32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

Resource resource(ResourceName type, ResourceName name, uint16_t language, std::string data) {
  return {std::move(type), std::move(name), language, std::move(data), 0};
}

std::string describe(const std::vector<Resource>& resources) {
  std::string list;
  for (const Resource& r : resources) {
    list += (r.type.name.empty() ? std::to_string(r.type.id) : "n") + "/" +
            (r.name.name.empty() ? std::to_string(r.name.id)
                                 : "n" + std::to_string(r.name.name.size())) +
            "/" + std::to_string(r.language) + ":" + r.data + " ";
  }
  return list;
}

TEST(ProgramResources, AreWrittenInWindowsOrderAndReadBackForBothWidths) {
  const std::vector<Resource> given{
      resource({24, {}}, {1, {}}, 0, "manifest"),  resource({10, {}}, {0, u"GAME"}, 0, "game"),
      resource({3, {}}, {2, {}}, 0x409, "icon 2"), resource({3, {}}, {1, {}}, 0x407, "icon 1 de"),
      resource({3, {}}, {1, {}}, 0x409, "icon 1"), resource({0, u"MINE"}, {5, {}}, 0, "named type"),
      resource({10, {}}, {200, {}}, 0, "data"),
  };
  for (const bool wide : {false, true}) {
    const std::string image = withResources(text(test::programImage(wide)), given);
    EXPECT_EQ(describe(readResources(image)),
              "n/5/0:named type 3/1/1031:icon 1 de 3/1/1033:icon 1 3/2/1033:icon 2 10/n4/0:game "
              "10/200/0:data 24/1/0:manifest ")
        << wide;
  }
}

TEST(ProgramResources, GrowByMovingTheRelocationsOnWithEveryFieldThatTellsWhere) {
  const std::string data = text(test::patternBytes(0x1000, 3));
  for (const bool wide : {false, true}) {
    const std::string before = text(test::programImage(wide));
    const std::string after = withResources(before, {resource({10, {}}, {7, {}}, 0, data)});
    const size_t optional = 0x58;
    const size_t directories = optional + (wide ? 112 : 96);
    const size_t sections = optional + (wide ? 0xF0 : 0xE0);
    ASSERT_EQ(after.size(), 0x1800u);
    EXPECT_EQ(after.substr(0, 0x58), before.substr(0, 0x58));
    EXPECT_EQ(after.substr(0x200, 0x200), before.substr(0x200, 0x200));  // .text
    EXPECT_EQ(u32At(after, optional + 8), 0x1400u);                      // initialised data
    EXPECT_EQ(u32At(after, optional + 56), 0x5000u);                     // the image's size
    EXPECT_EQ(u32At(after, directories + 2 * 8), 0x2000u);
    EXPECT_EQ(u32At(after, directories + 2 * 8 + 4), 0x1058u);
    EXPECT_EQ(u32At(after, directories + 5 * 8), 0x4000u);
    EXPECT_EQ(u32At(after, directories + 5 * 8 + 4), 12u);
    // .rsrc: its size, and its place in the file kept; .reloc: after it, in memory and file.
    EXPECT_EQ(u32At(after, sections + 40 + 8), 0x1058u);
    EXPECT_EQ(u32At(after, sections + 40 + 16), 0x1200u);
    EXPECT_EQ(u32At(after, sections + 40 + 20), 0x400u);
    EXPECT_EQ(u32At(after, sections + 80 + 12), 0x4000u);
    EXPECT_EQ(u32At(after, sections + 80 + 20), 0x1600u);
    EXPECT_EQ(after.substr(0x1600, 12), text(test::patternBytes(12, 2)));
    // The leaf, after three directories of one entry each, points at the data by address.
    EXPECT_EQ(u32At(after, 0x400 + 72), 0x2058u);
    EXPECT_EQ(after.substr(0x400 + 88, 0x1000), data);
    EXPECT_NE(u32At(after, optional + 64), 0x1234u);  // the checksum follows
  }
}

TEST(ProgramResources, WhatCannotBeReadOrRewrittenIsRefused) {
  const std::string image = text(test::programImage(true));
  const auto changed = [&](size_t at, uint32_t value) {
    std::string bytes = image;
    putLittleEndian(reinterpret_cast<uint8_t*>(bytes.data()) + at, value, 4);
    return bytes;
  };
  const size_t directories = 0x58 + 112;
  const size_t sections = 0x58 + 0xF0;
  struct Case {
    std::string image;
    const char* reason;
  };
  const Case cases[] = {
      {"MZstub", "is not a Windows program"},
      {image.substr(0, 0x100), "is not a Windows program"},
      {changed(0x40, 0x4551), "is not a Windows program"},
      {changed(0x58, 0x10C), "is not a Windows program"},
      // The root directory names an entry beyond the section.
      {changed(0x40C, 0x10000), "has a damaged resource section"},
  };
  for (const Case& c : cases) {
    try {
      readResources(c.image);
      ADD_FAILURE() << c.reason;
    } catch (const PeFormatError& e) {
      EXPECT_STREQ(e.what(), c.reason);
    }
  }
  const Case rewrites[] = {
      {changed(directories + 4 * 8 + 4, 8),
       "is signed: its signature would not hold new resources"},
      // A section that code may point at after the resources.
      {changed(directories + 5 * 8, 0),
       "cannot take new resources: sections other than "
       "relocations follow them"},
      {changed(sections + 40 + 12, 0x2100), "has no resource section of its own"},
      // Sections out of the order of their addresses.
      {changed(sections + 80 + 12, 0x1800), "has a damaged resource section"},
  };
  for (const Case& c : rewrites) {
    try {
      withResources(c.image, {});
      ADD_FAILURE() << c.reason;
    } catch (const PeFormatError& e) {
      EXPECT_STREQ(e.what(), c.reason);
    }
  }
}

TEST(IconFiles, AreReadAndPutBackTogetherFromTheirResources) {
  const Bytes file = test::iconFile({{16, 16}, {256, 256}});
  const std::vector<IconImage> images = parseIconFile(text(file), "game.ico");
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[1].width, 256u);
  EXPECT_EQ(images[1].height, 256u);
  const std::string group = iconGroup(images, 5);
  EXPECT_EQ(iconGroupSizes(group), (std::vector<IconSize>{{16, 16, 32}, {256, 256, 32}}));
  const auto image = [&](uint16_t id) -> std::optional<std::string_view> {
    if (id < 5 || id > 6) return std::nullopt;
    return images[id - 5].bytes;
  };
  EXPECT_EQ(iconFileOf(group, image), text(file));
  // An image the program lacks is left out; with none, there is no icon.
  EXPECT_EQ(iconFileOf(group, [](uint16_t) { return std::nullopt; }), std::nullopt);
  EXPECT_EQ(iconFileOf("\0\0", image), std::nullopt);
}

TEST(IconFiles, ThatAreNoneOrDamagedAreRefusedWithTheReason) {
  const std::string good = text(test::iconFile({{32, 32}}));
  std::string cursor = good;
  cursor[2] = 2;
  std::string empty = good.substr(0, 6);
  empty[4] = 0;
  std::string png = good;
  png.replace(22, 8, "\x89PNG\r\n\x1a\n");
  png.replace(22 + 16, 8, std::string("\0\0\x01\x01\0\0\0\x20", 8));  // 257 x 32
  const struct {
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"PK\3\4", "is not an icon file"},
      {cursor, "is not an icon file"},
      {empty, "is an icon file with no image"},
      {good.substr(0, 20), "is cut short: it ends within its list of images"},
      {good.substr(0, good.size() - 1), "is cut short: it ends within image 1"},
      {text(test::iconFile({{257, 16}})),
       "holds an image over 256 pixels wide or high (image 1, "
       "257x16)"},
      {png, "holds an image over 256 pixels wide or high (image 1, 257x32)"},
  };
  for (const auto& c : cases) {
    try {
      parseIconFile(c.bytes, "game.ico");
      ADD_FAILURE() << c.reason;
    } catch (const FileFormatError& e) {
      EXPECT_EQ(e.reason(), c.reason);
    }
  }
}

TEST(VersionResource, HoldsTheStringsAndTheNumbersWhereWindowsReadsThem) {
  const std::vector<VersionString> strings{{"FileDescription", "Sky Runner, the game"},
                                           {"FileVersion", "1.2.3.4"},
                                           {"ProductName", "Ciel \xC3\xA9t\xC3\xA9"},
                                           {"ProductVersion", "5.6"}};
  const std::string resource = versionResource(strings);
  EXPECT_EQ(u32At(resource, 40), 0xFEEF04BDu);
  EXPECT_EQ(u32At(resource, 48), 0x00010002u);
  EXPECT_EQ(u32At(resource, 52), 0x00030004u);
  EXPECT_EQ(u32At(resource, 56), 0x00050006u);
  EXPECT_EQ(u32At(resource, 60), 0u);
  EXPECT_EQ(littleEndian16(reinterpret_cast<const uint8_t*>(resource.data())), resource.size());
  EXPECT_EQ(versionStrings(resource), strings);
  EXPECT_EQ(versionStrings(resource.substr(0, 30)), std::vector<VersionString>{});
}

class DressedStubs : public test::TempDirTest {
 protected:
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  GameFace faceOf(const std::string& name) {
    const File file(path(name), FileMode::ReadExisting);
    return readGameFace(readerOf(file, file.size()), file.size()).value();
  }
};

TEST_F(DressedStubs, WearTheOptionsFileAndFlagsFaceWhileTheMovieStaysLast) {
  write("stub.exe", text(test::programImage(false)));
  write("game.swf", "FWS\x0A");
  write("game.ico", text(test::iconFile({{16, 16}, {48, 48}})));
  write("game.pravix.ini",
        "[Projector]\r\nIcon=game.ico\r\nTitle=Sky Runner\r\nFullScreen=yes\r\n"
        "[Version]\r\nProductName=Sky Runner\r\nFileVersion=1.2.3.4\r\n");
  Job job{Task::PackProjector, path("game.swf"), path("stub.exe"), {}, nullptr, nullptr};
  job.options.title = "Over the file's";
  ASSERT_EQ(convert(job).outcome, Outcome::Written);
  const GameFace face = faceOf("game.exe");
  EXPECT_EQ(face.icon, (std::vector<IconSize>{{16, 16, 32}, {48, 48, 32}}));
  EXPECT_EQ(face.title, "Over the file's");
  EXPECT_TRUE(face.fullScreen);
  EXPECT_EQ(face.version, (std::vector<VersionString>{{"FileVersion", "1.2.3.4"},
                                                      {"ProductName", "Sky Runner"}}));
  const Bytes projector = test::readBytes(dir_ / "game.exe");
  EXPECT_EQ(Bytes(projector.end() - 12, projector.end()),
            test::concat(Bytes{'F', 'W', 'S', 0x0A}, test::projectorTrailer(4)));

  // Without options, the stub is copied as it is.
  std::filesystem::remove(dir_ / "game.pravix.ini");
  job.options = {};
  ASSERT_EQ(convert(job).outcome, Outcome::Written);
  EXPECT_EQ(test::readBytes(dir_ / "game.exe"),
            test::projectorBytes(test::programImage(false), Bytes{'F', 'W', 'S', 0x0A}));
}

TEST_F(DressedStubs, ThatCannotBeMadeLeaveTheTargetAsItWas) {
  write("game.swf", "FWS\x0A");
  write("game.exe", "the old projector");
  write("stub.exe", text(test::programImage(true)));
  write("bad.ico", "PK\3\4");
  write("other.exe", "MZstub");
  write("game.ico", text(test::iconFile({{16, 16}})));
  const struct {
    std::string stub;
    std::string icon;
    std::string reason;
  } cases[] = {
      {"stub.exe", "bad.ico", "is not an icon file"},
      {"stub.exe", "none.ico", test::kFileNotFound},
      {"other.exe", "game.ico", "cannot wear the game's face: it is not a Windows program"},
  };
  for (const auto& c : cases) {
    Job job{Task::PackProjector, path("game.swf"), path(c.stub), {}, nullptr, nullptr};
    job.options.icon = path(c.icon);
    try {
      convert(job);
      ADD_FAILURE() << c.reason;
    } catch (const FileError& e) {
      EXPECT_EQ(e.reason(), c.reason);
      EXPECT_EQ(exitCode(e), kExitFailed);
    }
    EXPECT_EQ(text(test::readBytes(dir_ / "game.exe")), "the old projector");
  }
}

}  // namespace
}  // namespace pravix
