// The files a package carries before its movie, through `pravix`: packed with --include, told by
// info, written back out by extract --files, and every refusal and damaged table with nothing
// written.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::readBytes;
using test::snapshot;
using test::ToolRun;
using test::writeBytes;

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// A movie cut after its signature, whose header info tells in one line.
const Bytes kMovie = bytesOf("FWS");
const std::string kShortMovie =
    "  header: damaged: the movie ends after 3 bytes, inside its signature\n";
const Bytes kStub = test::patternBytes(700, 3);
const std::string kAccented = "levels/deep/\xC3\xA9t\xC3\xA9.txt";

// The folder "game" by the names its files have in a package. Packed, it comes to 815 bytes:
// the stub, 3 + 5 + 2 bytes of files, a table of 3 x 10 bytes and names of 5, 14 and 21 bytes,
// the 24-byte footer (804 bytes before the movie), the movie and the projector's 8-byte trailer.
const std::map<std::string, Bytes> kGame = {
    {"a.mp3", bytesOf("ID3")}, {"levels/one.swf", bytesOf("CWS\x0A!")}, {kAccented, bytesOf("xy")}};

// A projector of kStub, `files` (name and bytes, in order) with their table and footer, and
// kMovie, put together here apart from the packaging's writer.
Bytes projectorCarrying(const std::vector<std::pair<std::string, std::string>>& files) {
  const auto number = [](uint64_t value, size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i));
    return bytes;
  };
  std::string data, table;
  for (const auto& [name, bytes] : files) {
    data += bytes;
    table += number(bytes.size(), 8) + number(name.size(), 2) + name;
  }
  const std::string block = data + table + "PXFILES1" + number(files.size(), 4) +
                            number(table.size(), 4) + number(data.size(), 8);
  return test::projectorBytes(test::concat(kStub, bytesOf(block)), kMovie);
}

class PackedFiles : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(dir_ / "stub.bin", kStub);
    writeBytes(dir_ / "a.swf", kMovie);
    writeBytes(dir_ / "b.swf", kMovie);
    for (const auto& [name, bytes] : kGame) {
      fs::create_directories((dir_ / "game" / name).parent_path());
      writeBytes(dir_ / "game" / name, bytes);
    }
    const ToolRun ran = run({"pack", "a.swf", "--stub=stub.bin", "--include=game", "-o", "p.exe"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
  }
  ToolRun run(const std::vector<std::string>& arguments) { return test::runTool(dir_, arguments); }
};

TEST_F(PackedFiles, GoWithEveryMovieOfARunAndInfoTellsThem) {
  ToolRun ran = run({"pack", "a.swf", "b.swf", "--stub", "stub.bin", "--include", "game"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  ran = run({"pack", "-s", "a.swf", "--stub", "stub.bin", "--include=game/"});
  ASSERT_EQ(ran.exitCode, 0) << ran.err;
  EXPECT_EQ(readBytes(dir_ / "a.exe"), readBytes(dir_ / "p.exe"));

  ran = run({"info", "-v", "b.exe", "a.scr"});
  EXPECT_EQ(ran.exitCode, 0);
  const std::string files =
      "  files: 3 (10 bytes)\n"
      "    a.mp3: 3 bytes\n"
      "    levels/one.swf: 5 bytes\n"
      "    " +
      kAccented + ": 2 bytes\n";
  EXPECT_EQ(ran.out, "b.exe: projector (815 bytes)\n  stub: 804 bytes\n" + files +
                         "  movie: 3 bytes\n" + kShortMovie +
                         "a.scr: screen saver (811 bytes)\n  stub: 804 bytes\n" + files +
                         "  movie: 3 bytes\n" + kShortMovie);

  // Without -v the count and the size alone; a movie without files as before.
  ran = run({"info", "p.exe", "a.swf"});
  EXPECT_EQ(ran.out,
            "p.exe: projector (815 bytes)\n  stub: 804 bytes\n  files: 3 (10 bytes)\n"
            "  movie: 3 bytes\n" +
                kShortMovie + "a.swf: movie (3 bytes)\n" + kShortMovie);

  ran = run({"info", "--json", "p.exe", "a.scr"});
  EXPECT_EQ(ran.exitCode, 0);
  const std::string json = R"("stub_size":804,"files":{"count":3,"size":10,"list":[)"
                           R"({"name":"a.mp3","size":3},{"name":"levels/one.swf","size":5},)"
                           R"({"name":")" +
                           kAccented +
                           R"(","size":2}]},"movie_size":3,)"
                           R"("header_error":"the movie ends after 3 bytes, inside its signature"})"
                           "\n";
  EXPECT_EQ(ran.out, R"({"file":"p.exe","kind":"projector","size":815,)" + json +
                         R"({"file":"a.scr","kind":"screen_saver","size":811,)" + json);
}

TEST_F(PackedFiles, ComeBackOutWholeAndReplaceNothingWithoutForce) {
  ToolRun ran = run({"extract", "p.exe", "--files=out", "-v"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err,
            "pravix: p.exe: wrote p.swf\n"
            "pravix: p.exe: wrote out/a.mp3\n"
            "pravix: p.exe: wrote out/levels/one.swf\n"
            "pravix: p.exe: wrote out/" +
                kAccented + "\n");
  EXPECT_EQ(snapshot(dir_ / "out"), kGame);
  EXPECT_EQ(readBytes(dir_ / "p.swf"), kMovie);

  // A file that stands there is kept, and nothing else is written, the movie included.
  fs::remove_all(dir_ / "out");
  fs::create_directories(dir_ / "out/levels");
  writeBytes(dir_ / "out/levels/one.swf", bytesOf("mine"));
  const auto before = snapshot(dir_);
  ran = run({"extract", "p.exe", "--files=out", "-o", "q.swf"});
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: out/levels/one.swf: exists; --force replaces it\n");
  EXPECT_EQ(snapshot(dir_), before);

  ran = run({"extract", "p.exe", "--files=out/", "-o", "q.swf", "-f"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(snapshot(dir_ / "out"), kGame);

  // From a pipe, into a folder made for them.
  test::RunningTool piped(dir_, {"extract", "-", "-o", "r.swf", "--files", "piped/in"});
  piped.write(readBytes(dir_ / "p.exe"));
  piped.closeInput();
  EXPECT_EQ(piped.wait().exitCode, 0);
  EXPECT_EQ(snapshot(dir_ / "piped/in"), kGame);
  EXPECT_EQ(readBytes(dir_ / "r.swf"), kMovie);

  // A package without files makes no folder.
  ASSERT_EQ(run({"pack", "b.swf", "--stub", "stub.bin"}).exitCode, 0);
  EXPECT_EQ(run({"extract", "b.exe", "--files=none", "-f"}).exitCode, 0);
  EXPECT_FALSE(fs::exists(dir_ / "none"));
}

TEST_F(PackedFiles, ADamagedTableIsToldByInfoAndExtractsNothing) {
  // Changes to p.exe: the footer (at 780) counts 4 files; the first file's size (at 710) is 2.
  const struct {
    size_t at;
    uint8_t byte;
    std::string reason;
  } cases[] = {{788, 4, "its table of files is cut short"},
               {710, 2, "its table of files does not add up"}};
  for (const auto& each : cases) {
    Bytes damaged = readBytes(dir_ / "p.exe");
    damaged[each.at] = each.byte;
    writeBytes(dir_ / "d.exe", damaged);
    const auto before = snapshot(dir_);
    ToolRun ran = run({"extract", "d.exe", "--files=out"});
    EXPECT_EQ(ran.exitCode, 2);
    EXPECT_EQ(ran.err, "pravix: d.exe: " + each.reason + "\n");
    EXPECT_EQ(snapshot(dir_), before);
    EXPECT_FALSE(fs::exists(dir_ / "out"));

    // Info describes the package, the damage among the rest.
    ran = run({"info", "d.exe"});
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(ran.out, "d.exe: projector (815 bytes)\n  stub: 804 bytes\n  files: damaged: " +
                           each.reason + "\n  movie: 3 bytes\n" + kShortMovie);
    ran = run({"info", "--json", "d.exe"});
    EXPECT_EQ(ran.out, R"({"file":"d.exe","kind":"projector","size":815,"stub_size":804,)"
                       R"("files_error":")" +
                           each.reason +
                           R"(","movie_size":3,"header_error":"the movie ends after 3 bytes, )"
                           R"(inside its signature"})"
                           "\n");
  }
}

// Each refusal and failure leaves the folder as it was and says why.
class PackedFileRefusals : public PackedFiles,
                           public ::testing::WithParamInterface<test::Refusal> {};

TEST_P(PackedFileRefusals, LeaveEveryFileAsItWas) {
  test::expectRefusal(dir_, GetParam());
}

void nothing(const fs::path&) {}
// The file `name` in the game's folder, and the packing of it over p.exe.
std::function<void(const fs::path&)> gameFile(const std::string& name) {
  return [name](const fs::path& dir) { writeBytes(dir / "game" / name, {1}); };
}
const std::vector<std::string> kPackOverP = {"pack",           "a.swf", "--stub=stub.bin",
                                             "--include=game", "-fo",   "p.exe"};
// p.exe replaced with a package of `files`.
std::function<void(const fs::path&)> carrying(
    const std::vector<std::pair<std::string, std::string>>& files) {
  return [files](const fs::path& dir) { writeBytes(dir / "p.exe", projectorCarrying(files)); };
}
const std::string kCannotCarry =
    ": has a name a package cannot carry: a path of at most 1,024 bytes of names that Windows "
    "takes as plain file names\n";
const std::string kTryHelp = "Try \"pravix --help\".\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, PackedFileRefusals,
    ::testing::Values(
        test::Refusal{"NoFolderToInclude",
                      nothing,
                      {"pack", "a.swf", "--stub=stub.bin", "--include=none", "-fo", "p.exe"},
                      2,
                      "pravix: none: No such file or directory\n"},
        test::Refusal{"AFileToInclude",
                      nothing,
                      {"pack", "a.swf", "--stub=stub.bin", "--include=b.swf", "-fo", "p.exe"},
                      2,
                      "pravix: b.swf: is not a folder\n"},
        test::Refusal{"ANameEndingInADot", gameFile("levels/x."), kPackOverP, 2,
                      "pravix: game/levels/x." + kCannotCarry},
        test::Refusal{"ANameWithABackslash", gameFile("a\\b"), kPackOverP, 2,
                      "pravix: game/a\\b" + kCannotCarry},
        test::Refusal{"ANameWithAColon", gameFile("c:d"), kPackOverP, 2,
                      "pravix: game/c:d" + kCannotCarry},
        test::Refusal{"IncludeWhenExtracting",
                      nothing,
                      {"extract", "p.exe", "--include=game"},
                      2,
                      "pravix: --include does not go with extract\n" + kTryHelp},
        test::Refusal{"FilesWhenPacking",
                      nothing,
                      {"pack", "a.swf", "--files=out"},
                      2,
                      "pravix: --files does not go with pack\n" + kTryHelp},
        test::Refusal{"FilesOfTwoInputs",
                      nothing,
                      {"extract", "p.exe", "p.exe", "--files=out"},
                      2,
                      "pravix: --files names the folder of one input only\n" + kTryHelp},
        test::Refusal{"AnEmptyFilesFolder",
                      nothing,
                      {"extract", "p.exe", "--files="},
                      2,
                      "pravix: --files needs a name, not an empty one\n" + kTryHelp},
        test::Refusal{"AFilesFolderThatIsAFile",
                      nothing,
                      {"extract", "p.exe", "--files=b.swf"},
                      1,
                      "pravix: b.swf: is not a folder\n"},
        test::Refusal{"AFileInTheWayOfAFolder",
                      [](const fs::path& dir) {
                        fs::create_directory(dir / "out");
                        writeBytes(dir / "out/levels", {1});
                      },
                      {"extract", "p.exe", "--files=out", "-f"},
                      1,
                      "pravix: out/levels: is not a folder\n"},
        test::Refusal{"AFolderThatLeadsOut",
                      [](const fs::path& dir) {
                        fs::create_directories(dir / "out");
                        fs::create_directories(dir / "elsewhere/deep");
                        fs::create_directory_symlink("../elsewhere", dir / "out/levels");
                      },
                      {"extract", "p.exe", "--files=out", "-f"},
                      1,
                      "pravix: out/levels: leads out of out\n"},
        test::Refusal{"APackedFileThatIsTheSource",
                      carrying({{"p.exe", "x"}}),
                      {"extract", "p.exe", "--files=.", "-fo", "q.swf"},
                      1,
                      "pravix: ./p.exe: is both the source and the target\n"},
        test::Refusal{"APackedFileThatIsTheMovie",
                      carrying({{"q.swf", "x"}}),
                      {"extract", "p.exe", "--files=.", "-fo", "q.swf"},
                      1,
                      "pravix: ./q.swf: is the movie's target too\n"},
        test::Refusal{"ANameThatIsAFileAndAFolder",
                      carrying({{"a", "x"}, {"a/b", "y"}}),
                      {"extract", "p.exe", "--files=out"},
                      2,
                      "pravix: p.exe: its table of files names \"a\" as a file and as a folder\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pravix
