// `pravix pack` and `pravix extract` as a user runs them: the files they write, their refusals
// with nothing written, many inputs, exit codes, the stubs they find and the progress line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>

#include "tests/TestSupport.h"
#include "tests/TrailerCases.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::patternBytes;
using test::projectorBytes;
using test::readBytes;
using test::runTool;
using test::screenSaverBytes;
using test::snapshot;
using test::ToolRun;
using test::writeBytes;

const Bytes kStub = patternBytes(700, 3);
const Bytes kMovieA = patternBytes(1000, 4);
const Bytes kMovieB = patternBytes(3000, 5);

class Command : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(dir_ / "stub.bin", kStub);
    writeBytes(dir_ / "a.swf", kMovieA);
    writeBytes(dir_ / "b.swf", kMovieB);
  }
  ToolRun run(const std::vector<std::string>& arguments, bool errorOnTerminal = false) {
    return runTool(dir_, arguments, errorOnTerminal);
  }
  std::string full(const std::string& name) const { return "\"" + path(name) + "\""; }
};

TEST_F(Command, PackWritesProjectorsAndScreenSaversBesideEachMovieOrAtTheTarget) {
  ToolRun ran = run({"pack", "a.swf", "b.swf", "--stub", "stub.bin"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.out + ran.err, "");
  EXPECT_EQ(readBytes(dir_ / "a.exe"), projectorBytes(kStub, kMovieA));
  EXPECT_EQ(readBytes(dir_ / "b.exe"), projectorBytes(kStub, kMovieB));

  ran = run({"pack", "--screen-saver", "a.swf", "b.swf", "--stub", "stub.bin"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "a.scr"), screenSaverBytes(kStub, kMovieA));
  EXPECT_EQ(readBytes(dir_ / "b.scr"), screenSaverBytes(kStub, kMovieB));

  fs::create_directory(dir_ / "out");
  ran = run({"pack", "-s", "--stub", "stub.bin", "-o", "out/saver", "a.swf"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "out/saver"), screenSaverBytes(kStub, kMovieA));
}

TEST_F(Command, ExtractWritesTheMovieBesideEachProjectorAtTheTargetOrOnStandardOutput) {
  writeBytes(dir_ / "p.exe", projectorBytes(kStub, kMovieA));
  writeBytes(dir_ / "q.exe", projectorBytes(patternBytes(5, 9), kMovieB));
  ToolRun ran = run({"extract", "p.exe", "q.exe"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.out + ran.err, "");
  EXPECT_EQ(readBytes(dir_ / "p.swf"), kMovieA);
  EXPECT_EQ(readBytes(dir_ / "q.swf"), kMovieB);

  ran = run({"extract", "q.exe", "--output", "movie"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "movie"), kMovieB);

  const auto before = snapshot(dir_);
  ran = run({"extract", "-o", "-", "p.exe"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out, std::string(kMovieA.begin(), kMovieA.end()));
  EXPECT_EQ(snapshot(dir_), before);
}

// Each refusal and failure leaves the folder as it was and names its input.
class Refusals : public Command, public ::testing::WithParamInterface<test::Refusal> {};

TEST_P(Refusals, LeaveEveryFileAsItWasAndSayWhy) {
  test::expectRefusal(dir_, GetParam());
}

void nothing(const fs::path&) {}
void projectorAt(const fs::path& file) {
  writeBytes(file, projectorBytes(kStub, kMovieA));
}

INSTANTIATE_TEST_SUITE_P(
    Command, Refusals,
    ::testing::Values(
        test::Refusal{"MissingInput",
                      nothing,
                      {"pack", "none.swf", "--stub", "stub.bin"},
                      2,
                      "pravix: none.swf: No such file or directory\n"},
        test::Refusal{"Device",
                      nothing,
                      {"pack", "/dev/null", "--stub", "stub.bin", "-o", "x.exe"},
                      1,
                      "pravix: /dev/null: is a device, not a file\n"},
        test::Refusal{"Folder",
                      [](const fs::path& dir) { fs::create_directory(dir / "folder.swf"); },
                      {"pack", "folder.swf", "--stub", "stub.bin"},
                      1,
                      "pravix: folder.swf: is a folder, not a file\n"},
        test::Refusal{"Fifo",
                      [](const fs::path& dir) { ::mkfifo((dir / "pipe.exe").c_str(), 0644); },
                      {"extract", "pipe.exe"},
                      1,
                      "pravix: pipe.exe: is not a file on a disk\n"},
        test::Refusal{"SameFile",
                      nothing,
                      {"pack", "a.swf", "--stub", "stub.bin", "-o", "./a.swf", "--force"},
                      1,
                      "pravix: a.swf: is both the source and the target\n"},
        test::Refusal{"SameFileExtracted",
                      [](const fs::path& dir) { projectorAt(dir / "p.exe"); },
                      {"extract", "p.exe", "-f", "-o", "p.exe"},
                      1,
                      "pravix: p.exe: is both the source and the target\n"},
        test::Refusal{"TooLarge",
                      [](const fs::path& dir) { fs::resize_file(dir / "a.swf", 0x100000000ull); },
                      {"pack", "a.swf", "--stub", "stub.bin"},
                      1,
                      "pravix: a.swf: is too large: a projector's movie must be smaller "
                      "than 4 GiB\n"},
        test::Refusal{"TooLargeForAScreenSaver",
                      [](const fs::path& dir) { fs::resize_file(dir / "a.swf", 0xFFFFFFFCull); },
                      {"pack", "a.swf", "--stub", "stub.bin", "--screen-saver"},
                      1,
                      "pravix: a.swf: is too large: a screen saver's movie must be smaller "
                      "than 4 GiB less 4 bytes\n"},
        test::Refusal{"ExistingTarget",
                      [](const fs::path& dir) {
                        writeBytes(dir / "a.exe", {1, 2});
                      },
                      {"pack", "a.swf", "--stub", "stub.bin"},
                      1,
                      "pravix: a.exe: exists; --force replaces it\n"},
        test::Refusal{"ExistingMovie",
                      [](const fs::path& dir) { projectorAt(dir / "a.exe"); },
                      {"extract", "a.exe"},
                      1,
                      "pravix: a.swf: exists; --force replaces it\n"},
        test::Refusal{"MissingStub",
                      nothing,
                      {"pack", "a.swf", "--stub", "none.bin"},
                      1,
                      "pravix: none.bin: no such stub file\n"},
        test::Refusal{"EmptyStub",
                      [](const fs::path& dir) { writeBytes(dir / "empty.bin", {}); },
                      {"pack", "a.swf", "--stub", "empty.bin"},
                      1,
                      "pravix: empty.bin: the stub file is empty\n"},
        test::Refusal{"EmptyTargetName",
                      nothing,
                      {"pack", "a.swf", "--stub", "stub.bin", "-o", ""},
                      2,
                      "pravix: -o needs a name, not an empty one\nTry \"pravix --help\".\n"},
        test::Refusal{"OneTargetForTwoInputs",
                      nothing,
                      {"extract", "a.exe", "b.exe", "-o", "c.swf"},
                      2,
                      "pravix: -o names the target of one input only\nTry \"pravix --help\".\n"},
        test::Refusal{"UnknownCommand",
                      nothing,
                      {"convert", "a.swf"},
                      2,
                      "pravix: unknown command \"convert\"\nTry \"pravix --help\".\n"},
        test::Refusal{"OptionOfAnotherCommand",
                      nothing,
                      {"info", "a.swf", "--force"},
                      2,
                      "pravix: --force does not go with info\nTry \"pravix --help\".\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class TrailerVerdicts : public Command, public ::testing::WithParamInterface<test::TrailerCase> {};

// The verdicts of the conversions and the stubs' reader (tests/stubs), told by extract and info.
TEST_P(TrailerVerdicts, ExtractAndInfoAgreeWithEveryOtherReader) {
  const test::TrailerCase& c = GetParam();
  writeBytes(dir_ / "p.exe", c.file);
  const ToolRun extracted = run({"extract", "p.exe"});
  const ToolRun described = run({"info", "p.exe"});
  const std::string size = std::to_string(c.file.size()) + " bytes";
  switch (c.verdict) {
    case test::Verdict::Movie:
      EXPECT_EQ(extracted.exitCode, 0);
      EXPECT_EQ(readBytes(dir_ / "p.swf"), c.movie);
      EXPECT_EQ(described.out.substr(0, described.out.find('\n') + 1),
                "p.exe: projector (" + size + ")\n");
      break;
    case test::Verdict::NotProjector:
      EXPECT_EQ(extracted.exitCode, 1);
      EXPECT_EQ(extracted.err,
                std::string("pravix: p.exe: is not a projector: ") + c.reason + "\n");
      EXPECT_EQ(
          described.out,
          "p.exe: none of these: not a projector, a screen saver or a movie (" + size + ")\n");
      break;
    case test::Verdict::Damaged:
      EXPECT_EQ(extracted.exitCode, 2);
      EXPECT_EQ(extracted.err,
                std::string("pravix: p.exe: has a damaged trailer: ") + c.reason + "\n");
      EXPECT_EQ(described.out,
                "p.exe: damaged projector (" + size + ")\n  trailer: damaged: " + c.reason + "\n");
      break;
  }
  EXPECT_EQ(described.exitCode, 0);
  EXPECT_EQ(fs::exists(dir_ / "p.swf"), c.verdict == test::Verdict::Movie);
}

INSTANTIATE_TEST_SUITE_P(Files, TrailerVerdicts, ::testing::ValuesIn(test::trailerCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Command, AReplacedFileIsOnTheDiskBeforeItTakesTheOldOnesPlace) {
  // A power cut must leave the old file or the whole new one: the new one is synced before the
  // move, and only then, since a new name has nothing to lose.
  const auto syncs = [this](const std::vector<std::string>& arguments) {
    // LeakSanitizer cannot run under a tracer.
    std::vector<std::string> traced = {"ASAN_OPTIONS=detect_leaks=0", "strace",   "-f", "-qq", "-e",
                                       "trace=fsync,fdatasync",       PRAVIX_TOOL};
    traced.insert(traced.end(), arguments.begin(), arguments.end());
    const ToolRun ran = runTool(dir_, traced, false, "/usr/bin/env");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    size_t count = 0;
    for (size_t at = 0; (at = ran.err.find("sync(", at)) != std::string::npos; ++at) ++count;
    return count;
  };
  EXPECT_EQ(syncs({"pack", "a.swf", "--stub", "stub.bin"}), 0u);
  EXPECT_EQ(syncs({"pack", "a.swf", "--stub", "stub.bin", "--force"}), 1u);
  EXPECT_EQ(syncs({"extract", "a.exe", "-o", "out.swf"}), 0u);
  EXPECT_EQ(syncs({"extract", "a.exe", "-o", "out.swf", "-f"}), 1u);
  EXPECT_EQ(readBytes(dir_ / "out.swf"), kMovieA);
}

// The conventions of a Unix command line, each a run and the files it makes beside the fixture's.
struct Convention {
  const char* name;
  std::function<void(const fs::path&)> prepare;
  std::vector<std::string> arguments;
  int exitCode;
  std::map<std::string, Bytes> made;
  std::string err;
};

void PrintTo(const Convention& convention, std::ostream* out) {
  *out << convention.name;
}

class Conventions : public Command, public ::testing::WithParamInterface<Convention> {};

TEST_P(Conventions, HoldForOptionsFilesAndMessages) {
  GetParam().prepare(dir_);
  auto expected = snapshot(dir_);
  expected.insert(GetParam().made.begin(), GetParam().made.end());
  const ToolRun ran = run(GetParam().arguments);
  EXPECT_EQ(ran.exitCode, GetParam().exitCode);
  EXPECT_EQ(ran.err, GetParam().err);
  EXPECT_EQ(snapshot(dir_), expected);
}

void outFolder(const fs::path& dir) {
  fs::create_directory(dir / "out");
}
const std::string kTryHelp = "Try \"pravix --help\".\n";

INSTANTIATE_TEST_SUITE_P(
    Command, Conventions,
    ::testing::Values(
        Convention{"CombinedShortOptions",
                   nothing,
                   {"pack", "-sfo", "x.scr", "a.swf", "--stub", "stub.bin"},
                   0,
                   {{"x.scr", screenSaverBytes(kStub, kMovieA)}},
                   ""},
        Convention{"ValuesAfterAnEqualsSign",
                   nothing,
                   {"pack", "--output=x.exe", "--stub=stub.bin", "a.swf"},
                   0,
                   {{"x.exe", projectorBytes(kStub, kMovieA)}},
                   ""},
        Convention{"HelpAsAnOptionsValue",
                   nothing,
                   {"pack", "a.swf", "--stub", "stub.bin", "-o", "--help"},
                   0,
                   {{"--help", projectorBytes(kStub, kMovieA)}},
                   ""},
        Convention{"DashDashEndsTheOptions",
                   [](const fs::path& dir) { writeBytes(dir / "-s.swf", kMovieB); },
                   {"pack", "--stub", "stub.bin", "--", "-s.swf"},
                   0,
                   {{"-s.exe", projectorBytes(kStub, kMovieB)}},
                   ""},
        Convention{"AnOutputFolderForABatch",
                   outFolder,
                   {"pack", "-d", "out", "a.swf", "b.swf", "--stub", "stub.bin", "-v"},
                   0,
                   {{"out/a.exe", projectorBytes(kStub, kMovieA)},
                    {"out/b.exe", projectorBytes(kStub, kMovieB)}},
                   "pravix: a.swf: wrote out/a.exe\npravix: b.swf: wrote out/b.exe\n"},
        Convention{"AFolderEndingInASlashNamesTheTarget",
                   [](const fs::path& dir) {
                     fs::create_directories(dir / "M.app/Contents/Resources");
                     writeBytes(dir / "M.app/Contents/Resources/movie.swf", {'C', 'W', 'S'});
                   },
                   {"extract", "M.app/"},
                   0,
                   {{"M.swf", {'C', 'W', 'S'}}},
                   ""},
        Convention{"NoOutputFolder",
                   nothing,
                   {"pack", "-d", "none", "a.swf", "--stub", "stub.bin"},
                   2,
                   {},
                   "pravix: none: No such file or directory\n"},
        Convention{"AnOutputFolderThatIsAFile",
                   nothing,
                   {"pack", "-d", "a.swf", "b.swf", "--stub", "stub.bin"},
                   1,
                   {},
                   "pravix: a.swf: is not a folder\n"},
        Convention{"QuietKeepsRefusalsToItself",
                   [](const fs::path& dir) { writeBytes(dir / "a.exe", {1}); },
                   {"pack", "-q", "a.swf", "--stub", "stub.bin"},
                   1,
                   {},
                   ""},
        Convention{"QuietStillTellsFailures",
                   nothing,
                   {"pack", "-q", "none.swf", "--stub", "stub.bin"},
                   2,
                   {},
                   "pravix: none.swf: No such file or directory\n"},
        Convention{"UnknownLongOption",
                   nothing,
                   {"pack", "a.swf", "--bogus=1"},
                   2,
                   {},
                   "pravix: unknown option --bogus\n" + kTryHelp},
        Convention{"UnknownShortOptionInAGroup",
                   nothing,
                   {"pack", "-fx", "a.swf"},
                   2,
                   {},
                   "pravix: unknown option -x\n" + kTryHelp},
        Convention{"MissingValue",
                   nothing,
                   {"pack", "a.swf", "--stub"},
                   2,
                   {},
                   "pravix: --stub needs a value\n" + kTryHelp},
        Convention{"ValueForAFlag",
                   nothing,
                   {"pack", "a.swf", "--force=yes"},
                   2,
                   {},
                   "pravix: --force takes no value\n" + kTryHelp},
        Convention{"StandardInputWithoutATarget",
                   nothing,
                   {"pack", "-", "--stub", "stub.bin"},
                   2,
                   {},
                   "pravix: standard input has no name to write a result beside: name it with "
                   "-o\n" +
                       kTryHelp},
        Convention{"OutputAndOutputFolder",
                   outFolder,
                   {"pack", "a.swf", "-o", "x.exe", "-d", "out"},
                   2,
                   {},
                   "pravix: -o and --output-dir do not go together\n" + kTryHelp}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Command, ForceReplacesAnExistingTarget) {
  writeBytes(dir_ / "a.exe", {1, 2, 3});
  const ToolRun ran = run({"pack", "--force", "a.swf", "--stub", "stub.bin"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "a.exe"), projectorBytes(kStub, kMovieA));
}

TEST_F(Command, ManyInputsGoOnPastARefusalOrFailureAndTheWorstSetsTheExitCode) {
  ToolRun ran = run({"pack", "a.swf", "c.swf", "b.swf", "--stub", "stub.bin"});
  EXPECT_EQ(ran.exitCode, 2);
  EXPECT_EQ(ran.err, "pravix: c.swf: No such file or directory\n");
  EXPECT_EQ(readBytes(dir_ / "a.exe"), projectorBytes(kStub, kMovieA));
  EXPECT_EQ(readBytes(dir_ / "b.exe"), projectorBytes(kStub, kMovieB));

  // Refused (a.exe exists) and written: 1.
  writeBytes(dir_ / "c.swf", kMovieA);
  ran = run({"pack", "a.swf", "c.swf", "--stub", "stub.bin"});
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: a.exe: exists; --force replaces it\n");
  EXPECT_EQ(readBytes(dir_ / "c.exe"), projectorBytes(kStub, kMovieA));

  // Failed and refused: 2, both named in order.
  writeBytes(dir_ / "n.bin", kMovieA);
  ran = run({"extract", "none.exe", "n.bin", "b.exe", "-f"});
  EXPECT_EQ(ran.exitCode, 2);
  EXPECT_EQ(ran.err,
            "pravix: none.exe: No such file or directory\n"
            "pravix: n.bin: is not a projector: it has no projector trailer\n");
  EXPECT_EQ(readBytes(dir_ / "b.swf"), kMovieB);
}

TEST_F(Command, DefaultStubsAreTheOnesBesideTheProgramOrInItsShareFolder) {
  fs::create_directories(dir_ / "bin");
  fs::create_directories(dir_ / "share/pravix");
  fs::copy_file(PRAVIX_TOOL, dir_ / "bin/pravix");
  const std::string tool = path("bin/pravix");
  const Bytes shared = patternBytes(40, 11), beside = patternBytes(50, 12);

  ToolRun ran = runTool(dir_, {"pack", "a.swf"}, false, tool);
  EXPECT_EQ(ran.exitCode, 1);
  EXPECT_EQ(ran.err, "pravix: no stub: neither " + full("bin/Player.exe") + " nor " +
                         full("bin/../share/pravix/Player.exe") +
                         " is a file; name one with --stub FILE\n");

  writeBytes(dir_ / "share/pravix/Player.exe", shared);
  writeBytes(dir_ / "share/pravix/Quendel.dll", beside);
  EXPECT_EQ(runTool(dir_, {"pack", "a.swf"}, false, tool).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "a.exe"), projectorBytes(shared, kMovieA));
  EXPECT_EQ(runTool(dir_, {"pack", "-s", "a.swf"}, false, tool).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "a.scr"), screenSaverBytes(beside, kMovieA));

  writeBytes(dir_ / "bin/Player.exe", beside);
  EXPECT_EQ(runTool(dir_, {"pack", "-f", "a.swf"}, false, tool).exitCode, 0);
  EXPECT_EQ(readBytes(dir_ / "a.exe"), projectorBytes(beside, kMovieA));
}

TEST_F(Command, ProgressShowsOnATerminalForInputsOver64MiBOnly) {
  writeBytes(dir_ / "big.swf", {});
  fs::resize_file(dir_ / "big.swf", 64 * 1024 * 1024 + 1);

  ToolRun ran = run({"pack", "big.swf", "--stub", "stub.bin"}, true);
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err.substr(0, 18), "\rpravix: big.swf: ");
  EXPECT_EQ(ran.err.substr(ran.err.size() - 24), "\rpravix: big.swf: 100%\r\n");

  ran = run({"extract", "big.exe", "-o", "-"}, true);
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err.substr(ran.err.size() - 24), "\rpravix: big.exe: 100%\r\n");
  EXPECT_EQ(ran.out.size(), 64u * 1024 * 1024 + 1);

  // Not a terminal, or a small input: nothing.
  EXPECT_EQ(run({"extract", "big.exe", "-f"}).err, "");
  EXPECT_EQ(run({"pack", "a.swf", "--stub", "stub.bin"}, true).err, "");
}

TEST_F(Command, HelpWithinEightyColumnsAndVersionWithTheLicence) {
  ToolRun ran = run({"--version"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.out.substr(0, ran.out.find("License")),
            "pravix 2.0.0.100\nCopyright (C) 2026 Pravix Project\n");
  EXPECT_EQ(ran.out.substr(ran.out.find("License")).substr(0, 52),
            "License MIT: <https://opensource.org/licenses/MIT>.\n");
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--help"}, {"pack", "-sh"}, {"info", "--json", "x", "--help"}}) {
    ran = run(arguments);
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(ran.out.substr(0, 40), "Usage: pravix pack [OPTION]... MOVIE...\n");
    size_t longest = 0;
    for (size_t start = 0, end; (end = ran.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
      longest = std::max(longest, end - start);
    }
    EXPECT_LT(longest, 80u);
  }
}

}  // namespace
}  // namespace pravix
