// A game's options: the options file read (its encodings, its lines, its refusals) and written,
// the rules of their values, and their overlay.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "packaging/GameOptions.h"
#include "tests/TestSupport.h"

namespace pravix {

// What a failed comparison shows of the options.
void PrintTo(const GameOptions& options, std::ostream* out) {
  const auto print = [&](const char* name, const auto& value) {
    if (value) *out << name << "=" << ::testing::PrintToString(*value) << " ";
  };
  print("Include", options.include);
  print("Icon", options.icon);
  print("Title", options.title);
  print("FullScreen", options.fullScreen);
  for (const VersionString& each : options.version) {
    *out << each.name << "=" << ::testing::PrintToString(each.value) << " ";
  }
}

namespace {

using test::Bytes;
using test::readBytes;
using test::snapshot;
using test::writeBytes;

using Version = std::vector<VersionString>;

constexpr char kFile[] = "game.pravix.ini";

// `text` as UTF-16 bytes, low byte first or high byte first, without a byte-order mark.
std::string utf16Bytes(std::u16string_view text, bool little) {
  std::string bytes;
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += little ? low : high;
    bytes += little ? high : low;
  }
  return bytes;
}

void writeText(const std::string& path, const std::string& text) {
  writeBytes(path, Bytes(text.begin(), text.end()));
}

std::string repeated(const std::string& text, size_t count) {
  std::string result;
  for (size_t i = 0; i < count; ++i) result += text;
  return result;
}

const std::string kEmoji = "\xF0\x9F\x98\x80";  // U+1F600: two UTF-16 units

TEST(OptionsFile, TextsAndTheOptionsTheyHoldOrWhyNot) {
  const struct {
    const char* what;
    std::string text;
    GameOptions options;  // when `error` is empty
    std::string error;
  } cases[] = {
      {"every option, as a person writes it",
       "; made by hand\r\n# another comment\r\n\r\n[projector]\r\n  include = assets \r\n"
       "ICON=art\\game.ico\r\nTitle=\"  Sky Runner  \"\r\nfullscreen=Yes\r\n\t[ Version ] \r\n"
       "productname=Sky Runner\r\nFileVersion=1.2.3.4\r\nComments=a=b ; \"no comment\"\r\n",
       {"assets",
        "art\\game.ico",
        "  Sky Runner  ",
        true,
        {{"FileVersion", "1.2.3.4"},
         {"ProductName", "Sky Runner"},
         {"Comments", "a=b ; \"no comment\""}}},
       ""},
      {"UTF-8's mark, LF and CR line ends, no line end at the last",
       "\xEF\xBB\xBF[Projector]\nTitle=Sky R\xC3\xBCnner\rFullScreen=off",
       {{}, {}, "Sky R\xC3\xBCnner", false, {}},
       ""},
      {"UTF-16, low byte first",
       "\xFF\xFE" +
           utf16Bytes(u"[Projector]\r\nTitle=R\u00FCn\xD83D\xDE00\r\nFullScreen=1\r\n", true),
       {{}, {}, "R\xC3\xBCn" + kEmoji, true, {}},
       ""},
      {"UTF-16, high byte first",
       "\xFE\xFF" + utf16Bytes(u"[Version]\nCompanyName=Quendel\nfullscreen=x\n", false),
       {},
       "line 3: \"fullscreen\" is not a version string's name: use one of FileDescription, "
       "FileVersion, ProductName, ProductVersion, CompanyName, LegalCopyright, LegalTrademarks, "
       "OriginalFilename, InternalName, Comments, PrivateBuild, SpecialBuild"},
      {"empty values", "[Projector]\r\nTitle=\r\nIcon=\"\"\r\n[Version]\r\nComments= \r\n", {}, ""},
      {"nothing", "", {}, ""},
      {"the longest title, in UTF-16 units",
       "[Projector]\nTitle=" + repeated(kEmoji, 512),
       {{}, {}, repeated(kEmoji, 512), {}, {}},
       ""},
      {"a title one unit longer",
       "[Projector]\nTitle=" + repeated(kEmoji, 511) + "xyz",
       {},
       "line 2: the title is longer than 1024 characters"},
      {"a version string too long",
       "[Version]\nComments=" + std::string(1025, 'c'),
       {},
       "line 2: Comments is longer than 1024 characters"},
      {"a control character",
       "[Version]\r\nComments=a\tb",
       {},
       "line 2: Comments holds a control character"},
      {"no number",
       "[Version]\r\n\r\nFileVersion = 1.2.x",
       {},
       "line 3: FileVersion \"1.2.x\" is not up to four numbers from 0 to 65535 separated by "
       "dots, such as 1.2.3.4"},
      {"an unknown option",
       "[Projector]\r\nColour=red",
       {},
       "line 2: \"Colour\" is not an option of [Projector]: use Include, Icon, Title or "
       "FullScreen"},
      {"a name given twice, in two sections",
       "[Projector]\nTitle=a\n\n[projector]\ntitle=",
       {},
       "line 5: \"Title\" is given twice"},
      {"no section", "; hi\nTitle=x", {}, "line 2: a name=value line must be inside a section"},
      {"an unknown section",
       "[Projector]\n[Player]",
       {},
       "line 2: [Player] is not a section of an options file: use [Projector] or [Version]"},
      {"a line without =",
       "[Projector]\r\nSky Runner\r\n",
       {},
       "line 2: \"Sky Runner\" is neither a [section] nor a name=value line"},
      {"a section without its ]",
       "[Projector\r\n",
       {},
       "line 1: \"[Projector\" is neither a [section] nor a name=value line"},
      {"a value without a name",
       "[Projector]\r\n = x",
       {},
       "line 2: \"= x\" is neither a [section] nor a name=value line"},
      {"full screen neither yes nor no",
       "[Projector]\r\nFullScreen=maybe",
       {},
       "line 2: FullScreen \"maybe\" is neither yes nor no"},
      {"bytes that are not UTF-8",
       "[Projector]\r\nTitle=caf\xE9\r\n",
       {},
       "line 2 is not UTF-8 text"},
      {"UTF-16 without its mark",
       utf16Bytes(u"[Projector]\r\n", true),
       {},
       "line 1 is not UTF-8 text"},
      {"UTF-16 cut in half a unit", std::string("\xFF\xFE[\0P", 5), {}, "is not UTF-16 text"},
      {"UTF-16 with half a surrogate pair",
       std::string("\xFF\xFE\x3D\xD8[\0", 6),
       {},
       "is not UTF-16 text"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    try {
      EXPECT_EQ(parseOptions(each.text, kFile), each.options);
      EXPECT_EQ(each.error, "");
    } catch (const FileFormatError& error) {
      EXPECT_EQ(error.reason(), each.error);
      EXPECT_EQ(error.path(), kFile);
    }
  }
}

TEST(OptionsFile, FullScreenSaysYesOrNoInEveryUsualWay) {
  for (const char* yes : {"yes", "TRUE", "On", "1"}) {
    EXPECT_EQ(parseOptions(std::string("[Projector]\nFullScreen=") + yes, kFile).fullScreen, true);
  }
  for (const char* no : {"No", "false", "OFF", "0"}) {
    EXPECT_EQ(parseOptions(std::string("[Projector]\nFullScreen=") + no, kFile).fullScreen, false);
  }
}

TEST(OptionsFile, VersionNumbersAreOneToFourNumbersUpTo65535) {
  for (const char* good : {"0", "1.2", "1.2.3.4", "65535.65535.65535.65535", "007.1"}) {
    GameOptions options;
    options.version = {{"ProductVersion", good}};
    EXPECT_NO_THROW(checkOptions(options)) << good;
  }
  for (const char* bad : {"", "1.2.3.4.5", "65536", "1..2", "1.", ".1", "+1", "-1", " 1", "1 ",
                          "0x10", "99999999999999999999"}) {
    GameOptions options;
    options.version = {{"FileVersion", "1"}, {"ProductVersion", bad}};
    EXPECT_THROW(checkOptions(options), FileFormatError) << bad;
  }
  // A command line's option names no file: the message is the reason alone, as a sentence.
  GameOptions options;
  options.title = std::string(1025, 't');
  try {
    checkOptions(options);
    ADD_FAILURE() << "a title too long was taken";
  } catch (const FileFormatError& error) {
    EXPECT_STREQ(error.what(), "The title is longer than 1024 characters");
  }
}

TEST(OptionsFile, VersionStringsKeepTheirPlaceAndTheirNamesSpelling) {
  GameOptions options;
  setVersionString(options, "productname", "Sky");
  setVersionString(options, "COMMENTS", "c");
  setVersionString(options, "FileDescription", "d");
  setVersionString(options, "ProductName", "Sky Runner");
  EXPECT_EQ(options.version,
            (Version{{"FileDescription", "d"}, {"ProductName", "Sky Runner"}, {"Comments", "c"}}));
  try {
    setVersionString(options, "Author", "me", kFile);
    ADD_FAILURE() << "an unknown name was taken";
  } catch (const FileFormatError& error) {
    EXPECT_EQ(error.path(), kFile);
    EXPECT_EQ(error.reason(),
              "\"Author\" is not a version string's name: use one of FileDescription, "
              "FileVersion, ProductName, ProductVersion, CompanyName, LegalCopyright, "
              "LegalTrademarks, OriginalFilename, InternalName, Comments, PrivateBuild, "
              "SpecialBuild");
  }
}

TEST(OptionsFile, OptionsLaidOverOthersWinOneByOne) {
  const GameOptions base{
      "assets", "a.ico", "Base", true, {{"FileVersion", "1"}, {"CompanyName", "Q"}}};
  const GameOptions over{{}, "b.ico", {}, false, {{"FileDescription", "D"}, {"FileVersion", "2"}}};
  EXPECT_EQ(overlaid(over, base),
            (GameOptions{"assets",
                         "b.ico",
                         "Base",
                         false,
                         {{"FileDescription", "D"}, {"FileVersion", "2"}, {"CompanyName", "Q"}}}));
  EXPECT_EQ(overlaid({}, base), base);
}

TEST(OptionsFile, OnlyTheFacesOptionsDressTheStub) {
  EXPECT_FALSE(dressesStub({}));
  EXPECT_FALSE(dressesStub({"assets", {}, {}, {}, {}}));
  EXPECT_FALSE(dressesStub({{}, {}, {}, false, {}}));
  EXPECT_TRUE(dressesStub({{}, {}, {}, true, {}}));
  EXPECT_TRUE(dressesStub({{}, "a.ico", {}, {}, {}}));
  EXPECT_TRUE(dressesStub({{}, {}, "Sky", {}, {}}));
  EXPECT_TRUE(dressesStub({{}, {}, {}, {}, {{"Comments", "c"}}}));
}

TEST(OptionsFile, IsNamedAfterTheMovie) {
  EXPECT_EQ(optionsFileOf("dir/game.swf"), "dir/game.pravix.ini");
  EXPECT_EQ(optionsFileOf("game"), "game.pravix.ini");
}

TEST(OptionsFile, TextIsWrittenAsAPersonWouldAndReadsBackTheSame) {
  const GameOptions options{"assets",
                            "art\\game.ico",
                            " Sky Runner",
                            false,
                            {{"FileVersion", "1.2"}, {"Comments", "\"quoted\""}}};
  EXPECT_EQ(optionsText(options),
            "; The options Pravix packs the movie of the same name with. Paths are relative to "
            "its folder.\r\n"
            "\r\n[Projector]\r\nInclude=assets\r\nIcon=art\\game.ico\r\nTitle=\" Sky Runner\"\r\n"
            "FullScreen=no\r\n"
            "\r\n[Version]\r\nFileVersion=1.2\r\nComments=\"\"quoted\"\"\r\n");
  EXPECT_EQ(optionsText({{}, {}, "", {}, {{"Comments", ""}}}),
            "; The options Pravix packs the movie of the same name with. Paths are relative to "
            "its folder.\r\n");
  for (const GameOptions& each :
       {options, GameOptions{}, GameOptions{{}, {}, "R\xC3\xBCn \"x\" ;#=[]", true, {}},
        GameOptions{{}, {}, {}, {}, {{"ProductName", " p "}, {"SpecialBuild", "\""}}}}) {
    EXPECT_EQ(parseOptions(optionsText(each), kFile), each);
  }
}

class OptionsFiles : public test::TempDirTest {};

TEST_F(OptionsFiles, PathsInTheFileAreFromTheMoviesFolder) {
  EXPECT_FALSE(readOptionsFile(path("game.swf"), FileRules::Windows));
  std::filesystem::create_directory(dir_ / "art");
  writeBytes(path("art/game.ico"), Bytes{0});
  const std::string absolute = path("art/game.ico");
  writeText(path("game.pravix.ini"), "[Projector]\nInclude=assets\nIcon=art\\game.ico\n");
  for (FileRules rules : {FileRules::Windows, FileRules::Unix}) {
    const std::optional<GameOptions> options = readOptionsFile(path("game.swf"), rules);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->include, path("assets"));
    ASSERT_TRUE(options->icon);
    EXPECT_TRUE(sameFile(*options->icon, absolute)) << *options->icon;
  }
  writeText(path("other.pravix.ini"), "[Projector]\r\nIcon=" + absolute + "\r\n");
  EXPECT_EQ(readOptionsFile(path("other.swf"), FileRules::Windows)->icon, absolute);
}

TEST_F(OptionsFiles, ADamagedFileIsNamedInTheMessage) {
  writeText(path("game.pravix.ini"), "[X]");
  try {
    readOptionsFile(path("game.swf"), FileRules::Windows);
    ADD_FAILURE() << "a damaged file was read";
  } catch (const FileFormatError& error) {
    EXPECT_EQ(std::string(error.what()),
              "\"" + path("game.pravix.ini") +
                  "\" line 1: [X] is not a section of an options file: use [Projector] or "
                  "[Version]");
  }
  // A MiB of comment is still a file a person could have written; a byte more is not.
  Bytes comment(1024 * 1024, ';');
  writeBytes(path("game.pravix.ini"), comment);
  EXPECT_EQ(readOptionsFile(path("game.swf"), FileRules::Windows), GameOptions{});
  comment.push_back(';');
  writeBytes(path("game.pravix.ini"), comment);
  try {
    readOptionsFile(path("game.swf"), FileRules::Windows);
    ADD_FAILURE() << "a file over a MiB was read";
  } catch (const FileFormatError& error) {
    EXPECT_EQ(error.reason(), "is over 1 MiB: too large for an options file");
  }
}

TEST_F(OptionsFiles, AreWrittenWholeOrNotAtAll) {
  const GameOptions options{{}, {}, "Sky Runner", true, {{"ProductVersion", "2.0"}}};
  writeOptionsFile(path("game.swf"), options, FileRules::Windows);
  EXPECT_EQ(readOptionsFile(path("game.swf"), FileRules::Windows), options);
  const auto before = snapshot(dir_);
  EXPECT_THROW(
      writeOptionsFile(path("game.swf"), {{}, {}, "Sky\nRunner", {}, {}}, FileRules::Windows),
      FileFormatError);
  EXPECT_EQ(snapshot(dir_), before);
  test::makeReadOnly(path("game.pravix.ini"));
  if (test::readOnlyIsEnforced(dir_)) {
    EXPECT_THROW(writeOptionsFile(path("game.swf"), {}, FileRules::Windows), FileError);
    EXPECT_EQ(snapshot(dir_), before);
  }
}

}  // namespace
}  // namespace pravix
