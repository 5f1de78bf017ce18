// A game's options through `pravix`: the flags, the options file beside the movie under them, the
// face they give a package as info tells it, and every wrong one refused with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::readBytes;
using test::ToolRun;
using test::writeBytes;

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// How info ends for a package of a 3-byte movie, in text and in JSON.
const std::string kShortMovie =
    "  movie: 3 bytes\n  header: damaged: the movie ends after 3 bytes, inside its signature\n";
const std::string kShortMovieJson =
    R"("movie_size":3,"header_error":"the movie ends after 3 bytes, inside its signature"})"
    "\n";

class GameOptions : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(dir_ / "stub.exe", test::programImage(true));
    writeBytes(dir_ / "a.swf", bytesOf("FWS"));
    writeBytes(dir_ / "b.swf", bytesOf("FWS"));
    writeBytes(dir_ / "game.ico", test::iconFile({{16, 16}, {32, 32}}));
    writeBytes(dir_ / "p.exe", bytesOf("the old projector"));
  }
  ToolRun run(const std::vector<std::string>& arguments) { return test::runTool(dir_, arguments); }
  // What info tells of `file` after its stub's size: the face, the movie.
  std::string toldAfterTheStub(const std::string& file, bool json = false) {
    const ToolRun ran = json ? run({"info", "--json", file}) : run({"info", file});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    const size_t stub = ran.out.find(json ? "\"stub_size\":" : "  stub: ");
    return ran.out.substr(ran.out.find(json ? ',' : '\n', stub) + 1);
  }
};

TEST_F(GameOptions, FlagsDressTheStubAndInfoTellsTheFace) {
  ToolRun ran = run({"pack", "a.swf", "--stub=stub.exe", "--icon=game.ico", "--title=Sky Runner",
                     "--version-info=productname=Sky Runner", "--version-info=FileVersion=1.2.3.4",
                     "--fullscreen", "-fo", "p.exe"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  ran = run({"pack", "-s", "a.swf", "--stub=stub.exe", "--title=Sky Runner"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_EQ(toldAfterTheStub("p.exe"),
            "  icon: 16x16, 32x32\n  title: Sky Runner\n  full screen: yes\n  version info:\n"
            "    FileVersion: 1.2.3.4\n    ProductName: Sky Runner\n" +
                kShortMovie);
  EXPECT_EQ(toldAfterTheStub("p.exe", true),
            R"("icon":[{"width":16,"height":16,"bits":32},{"width":32,"height":32,"bits":32}],)"
            R"("title":"Sky Runner","fullscreen":true,)"
            R"("version_info":{"FileVersion":"1.2.3.4","ProductName":"Sky Runner"},)" +
                kShortMovieJson);
  EXPECT_EQ(toldAfterTheStub("a.scr"), "  title: Sky Runner\n" + kShortMovie);

  // A stub without a face of its own, packed without options: JSON tells that too.
  ASSERT_EQ(run({"pack", "b.swf", "--stub=stub.exe"}).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "b.exe"),
            test::projectorBytes(test::programImage(true), {'F', 'W', 'S'}));
  EXPECT_EQ(toldAfterTheStub("b.exe"), kShortMovie);
  EXPECT_EQ(toldAfterTheStub("b.exe", true),
            R"("icon":[],"fullscreen":false,"version_info":{},)" + kShortMovieJson);
}

TEST_F(GameOptions, AStubsStringsReachTheTerminalWithoutControlCharacters) {
  const ToolRun ran =
      run({"pack", "a.swf", "--stub=stub.exe", "--version-info=Comments=x[yz", "-fo", "p.exe"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  // ESC and CSI (U+009B), which no option takes, put into the string's UTF-16 as another
  // program's resources may hold them.
  Bytes package = readBytes(dir_ / "p.exe");
  const Bytes value = {'x', 0, '[', 0, 'y', 0, 'z', 0};
  const auto at = std::search(package.begin(), package.end(), value.begin(), value.end());
  ASSERT_NE(at, package.end());
  at[0] = 0x1B;
  at[4] = 0x9B;
  writeBytes(dir_ / "p.exe", package);
  EXPECT_EQ(toldAfterTheStub("p.exe"),
            "  version info:\n    Comments: \xEF\xBF\xBD[\xEF\xBF\xBDz\n" + kShortMovie);
}

TEST_F(GameOptions, TheOptionsFileBesideTheMovieGoesUnderTheFlags) {
  // The file's paths are relative to the movie's folder, "\" or "/" between folders.
  fs::create_directories(dir_ / "game/art");
  fs::rename(dir_ / "game.ico", dir_ / "game/art/game.ico");
  writeBytes(dir_ / "game/main.swf", bytesOf("FWS"));
  writeBytes(dir_ / "game/main.pravix.ini",
             bytesOf("; Sky Runner\r\n[Projector]\r\nIcon=art\\game.ico\r\nTitle=From the file\r\n"
                     "FullScreen=yes\r\n[Version]\r\nProductName=Sky\r\nCompanyName=Maker\r\n"));
  const ToolRun ran = run({"pack", "game/main.swf", "--stub=stub.exe", "--title=From a flag",
                           "--version-info=ProductName=Sky Runner"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_EQ(toldAfterTheStub("game/main.exe"),
            "  icon: 16x16, 32x32\n  title: From a flag\n  full screen: yes\n  version info:\n"
            "    ProductName: Sky Runner\n    CompanyName: Maker\n" +
                kShortMovie);
}

// Each refusal leaves the folder as it was, p.exe too, and says why.
class GameOptionRefusals : public GameOptions,
                           public ::testing::WithParamInterface<test::Refusal> {};

TEST_P(GameOptionRefusals, LeaveEveryFileAsItWas) {
  test::expectRefusal(dir_, GetParam());
}

void nothing(const fs::path&) {}
// The packing of a.swf over p.exe with `option`.
std::vector<std::string> packOverP(const std::string& option) {
  return {"pack", "a.swf", "--stub=stub.exe", option, "-fo", "p.exe"};
}
const std::string kTryHelp = "Try \"pravix --help\".\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, GameOptionRefusals,
    ::testing::Values(
        test::Refusal{"IconWhenExtracting",
                      nothing,
                      {"extract", "p.exe", "--icon=game.ico"},
                      2,
                      "pravix: --icon does not go with extract\n" + kTryHelp},
        test::Refusal{"TitleWithInfo",
                      nothing,
                      {"info", "p.exe", "--title=Sky"},
                      2,
                      "pravix: --title does not go with info\n" + kTryHelp},
        test::Refusal{"VersionInfoWithInfo",
                      nothing,
                      {"info", "p.exe", "--version-info=ProductName=Sky"},
                      2,
                      "pravix: --version-info does not go with info\n" + kTryHelp},
        test::Refusal{"FullScreenWhenExtracting",
                      nothing,
                      {"extract", "p.exe", "--fullscreen"},
                      2,
                      "pravix: --fullscreen does not go with extract\n" + kTryHelp},
        test::Refusal{"FullScreenTakesNoValue", nothing, packOverP("--fullscreen=yes"), 2,
                      "pravix: --fullscreen takes no value\n" + kTryHelp},
        test::Refusal{"AnEmptyTitle", nothing, packOverP("--title="), 2,
                      "pravix: --title needs a title, not an empty one\n" + kTryHelp},
        test::Refusal{"VersionInfoWithoutAValue", nothing, packOverP("--version-info=ProductName"),
                      2,
                      "pravix: --version-info needs NAME=VALUE, not \"ProductName\"\n" + kTryHelp},
        test::Refusal{"VersionInfoWithAnEmptyValue", nothing,
                      packOverP("--version-info=ProductName="), 2,
                      "pravix: --version-info needs NAME=VALUE, not \"ProductName=\"\n" + kTryHelp},
        test::Refusal{"AnUnknownVersionName", nothing, packOverP("--version-info=Colour=red"), 2,
                      "pravix: --version-info: \"Colour\" is not a version string's name: use one "
                      "of FileDescription, FileVersion, ProductName, ProductVersion, CompanyName, "
                      "LegalCopyright, LegalTrademarks, OriginalFilename, InternalName, Comments, "
                      "PrivateBuild, SpecialBuild\n" +
                          kTryHelp},
        // Told once, not with each input.
        test::Refusal{"ABadFileVersion",
                      nothing,
                      {"pack", "a.swf", "b.swf", "--stub=stub.exe", "-f",
                       "--version-info=FileVersion=1.2.3.4.5"},
                      2,
                      "pravix: FileVersion \"1.2.3.4.5\" is not up to four numbers from 0 to 65535 "
                      "separated by dots, such as 1.2.3.4\n"},
        test::Refusal{"ATitleWithAControlCharacter", nothing, packOverP("--title=Sky\tRunner"), 2,
                      "pravix: the title holds a control character\n"},
        test::Refusal{"NotAnIcon", nothing, packOverP("--icon=a.swf"), 2,
                      "pravix: a.swf: is not an icon file\n"},
        test::Refusal{"ATruncatedIcon",
                      [](const fs::path& dir) {
                        Bytes icon = readBytes(dir / "game.ico");
                        icon.resize(icon.size() - 1);
                        writeBytes(dir / "cut.ico", icon);
                      },
                      packOverP("--icon=cut.ico"), 2,
                      "pravix: cut.ico: is cut short: it ends within image 2\n"},
        test::Refusal{"NoIcon", nothing, packOverP("--icon=none.ico"), 2,
                      "pravix: none.ico: No such file or directory\n"},
        test::Refusal{
            "AStubThatCannotWearAFace",
            [](const fs::path& dir) { writeBytes(dir / "fake.bin", bytesOf("MZstub")); },
            {"pack", "a.swf", "--stub=fake.bin", "--title=Sky", "-fo", "p.exe"},
            2,
            "pravix: fake.bin: cannot wear the game's face: it is not a Windows program\n"},
        test::Refusal{"ADamagedOptionsFile",
                      [](const fs::path& dir) {
                        writeBytes(dir / "a.pravix.ini",
                                   bytesOf("[Projector]\nTitle=Sky\n[Version]\nFileVersion=one\n"));
                      },
                      packOverP("--title=Sky Runner"), 2,
                      "pravix: a.pravix.ini: line 4: FileVersion \"one\" is not up to four numbers "
                      "from 0 to 65535 separated by dots, such as 1.2.3.4\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pravix
