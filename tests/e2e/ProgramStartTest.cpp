// The program end to end under Wine: the command-line conversions and their exit codes, the fall
// back to the window, the exception box, names in any script, and the stubs reading what the
// program wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/File.h"
#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/ProgramFolder.h"
#include "platform/System.h"

namespace fs = std::filesystem;

namespace pravix::e2e {
namespace {

using test::Bytes;
using test::patternBytes;
using test::readBytes;
using test::writeBytes;

constexpr DWORD kWritten = 0;
constexpr DWORD kRefused = 1;
constexpr DWORD kFailed = 2;

class ProgramStart : public ProgramFolderTest {
 protected:
  // The program ends by itself with exit code 0 and without showing anything that waits.
  void expectQuietExit(Process& program) {
    ASSERT_TRUE(program.waitForExit())
        << "still running; windows: " << topLevelWindows(program.id()).size();
    EXPECT_EQ(program.exitCode(), kWritten);
  }

  // The program stays open with its main window; closing the window ends it with `exitCode`.
  void expectInteractiveAndClose(Process& program, DWORD exitCode = kWritten) {
    HWND window = waitForWindow(program.id(), "TMainForm");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "Pravix 2.0");
    EXPECT_TRUE(program.running());
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), exitCode);
  }

  // A refusal the conversion found itself: its message, then the program ends with code 1.
  void expectRefusedExit(Process& program, const std::string& message) {
    expectBox(waitForMessageBox(program.id()), message, false);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), kRefused);
  }

  // A failure: the error, then the window stays open, and closing it ends the program with 2.
  void expectFailureAndClose(Process& program, const std::string& message) {
    expectBox(waitForMessageBox(program.id()), message, true);
    expectInteractiveAndClose(program, kFailed);
  }

  // A movie folder path for a name in UTF-8, which the program and this driver both speak.
  std::string unicodeMovie(const char* name) const {
    return (movies_ / fs::u8path(name)).u8string();
  }
};

TEST_F(ProgramStart, QuotedPathWithBlanksWritesTheProjectorAndExits) {
  Process program(pravix(quoted(movie("intro.swf"))), "");
  expectQuietExit(program);
  EXPECT_EQ(readBytes(movie("intro.exe")), projectorBytes(stub("Player.exe"), movie_));
  EXPECT_EQ(readBytes(movie("intro.swf")), movie_);
}

TEST_F(ProgramStart, RelativePathAndScrWriteAScreenSaverBesideIt) {
  fs::rename(movie("intro.swf"), movie("intro.SWF"));
  Process program(pravix("intro.SWF Scr"), movies_.string());
  expectQuietExit(program);
  EXPECT_EQ(readBytes(movie("intro.scr")), screenSaverBytes(stub("Quendel.dll"), movie_));
  EXPECT_FALSE(fs::exists(movie("intro.exe")));
}

TEST_F(ProgramStart, AnyOtherSecondArgumentMeansAProjector) {
  for (const char* second : {"exe", "screen", "\"\"x"}) {
    SCOPED_TRACE(second);
    Process program(pravix("intro.swf " + std::string(second)), movies_.string());
    expectQuietExit(program);
    EXPECT_EQ(readBytes(movie("intro.exe")), projectorBytes(stub("Player.exe"), movie_));
    EXPECT_FALSE(fs::exists(movie("intro.scr")));
    fs::remove(movie("intro.exe"));
  }
}

TEST_F(ProgramStart, ProjectorIsExtractedBesideItself) {
  writeBytes(movie("old.EXE"), projectorBytes(patternBytes(3000, 1), movie_));
  Process program(pravix(quoted(movie("old.EXE"))), "");
  expectQuietExit(program);
  EXPECT_EQ(readBytes(movie("old.swf")), movie_);
}

TEST_F(ProgramStart, ExecutableWithoutAProjectorTrailerIsRefusedWithItsMessage) {
  Process program(pravix(quoted(path("app\\Player.exe"))), "");
  expectRefusedExit(program, "Unknown type of executable flash file!");
  EXPECT_FALSE(fs::exists(dir_ / "app" / "Player.swf"));
}

TEST_F(ProgramStart, OtherArgumentsOpenTheWindow) {
  writeBytes(movie("intro.swf.bak"), movie_);
  writeBytes(movie("notes.txt"), movie_);
  for (const std::string arguments : {"", "notes.txt", "intro.swf.bak", "\"\""}) {
    SCOPED_TRACE(arguments);
    const auto before = test::snapshot(dir_);
    Process program(pravix(arguments), movies_.string());
    expectInteractiveAndClose(program);
    EXPECT_EQ(test::snapshot(dir_), before);
  }
}

TEST_F(ProgramStart, MissingStubsAreRefusedWithTheirMessageAndChangeNothing) {
  fs::remove(dir_ / "app" / "Player.exe");
  fs::remove(dir_ / "app" / "Quendel.dll");
  writeBytes(movie("intro.exe"), patternBytes(760, 3));
  const auto before = test::snapshot(dir_);
  for (const char* second : {"", " SCR"}) {
    SCOPED_TRACE(second);
    Process program(pravix(quoted(movie("intro.swf")) + second), "");
    expectRefusedExit(program, "Something error!");
  }
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(ProgramStart, MissingMovieShowsTheErrorLeavesTheOldTargetAndExitsFailed) {
  writeBytes(movie("absent.exe"), patternBytes(760, 3));
  const auto before = test::snapshot(dir_);
  Process program(pravix(quoted(movie("absent.swf"))), "");
  expectFailureAndClose(
      program, "Cannot open file \"" + movie("absent.swf") + "\". " + test::kFileNotFound + ".");
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(ProgramStart, DevicesAndFoldersAreRefusedAtOnce) {
  fs::create_directory(movies_ / "folder.swf");
  const auto before = test::snapshot(dir_);
  const struct {
    std::string argument;
    std::string message;
  } cases[] = {
      {movie("COM1.exe"), "\"" + movie("COM1.exe") + "\" is a device, not a file."},
      {movie("AUX.swf"), "\"" + movie("AUX.swf") + "\" is a device, not a file."},
      {movie("folder.swf"), "\"" + movie("folder.swf") + "\" is a folder, not a file."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    Process program(pravix(quoted(c.argument)), "");
    expectFailureAndClose(program, c.message);
  }
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(ProgramStart, NamesInAnyScriptAreTakenAsTheyAre) {
  for (const char* name : {u8"Привет", u8"漢字", u8"café"}) {
    SCOPED_TRACE(name);
    const std::string base = unicodeMovie(name);
    writeBytes(fs::u8path(base + ".swf"), movie_);
    Process projector(pravix(quoted(base + ".swf")), "");
    expectQuietExit(projector);
    Process saver(pravix(quoted(base + ".swf") + " SCR"), "");
    expectQuietExit(saver);
    fs::remove(fs::u8path(base + ".swf"));
    Process extraction(pravix(quoted(base + ".exe")), "");
    expectQuietExit(extraction);
    EXPECT_EQ(readBytes(fs::u8path(base + ".exe")), projectorBytes(stub("Player.exe"), movie_));
    EXPECT_EQ(readBytes(fs::u8path(base + ".scr")), screenSaverBytes(stub("Quendel.dll"), movie_));
    EXPECT_EQ(readBytes(fs::u8path(base + ".swf")), movie_);
  }
}

TEST_F(ProgramStart, AnAccentedNameNeverPacksItsLookAlike) {
  const Bytes other = patternBytes(5000, 8);
  writeBytes(fs::u8path(unicodeMovie(u8"café.swf")), movie_);
  writeBytes(movie("cafe.swf"), other);
  writeBytes(movie("cafe.exe"), patternBytes(760, 3));
  Process program(pravix(quoted(unicodeMovie(u8"café.swf"))), "");
  expectQuietExit(program);
  EXPECT_EQ(readBytes(fs::u8path(unicodeMovie(u8"café.exe"))),
            projectorBytes(stub("Player.exe"), movie_));
  EXPECT_EQ(readBytes(movie("cafe.exe")), patternBytes(760, 3));
}

TEST_F(ProgramStart, ScreenSaverPreviewEndsWithItsParentsProcess) {
  Process packing(pravix(quoted(movie("intro.swf")) + " SCR"), "");
  expectQuietExit(packing);
  Process parent(pravix(""), "");
  HWND window = waitForWindow(parent.id(), "TMainForm");
  ASSERT_NE(window, nullptr);
  Process preview(
      quoted(movie("intro.scr")) + " /p " + std::to_string(reinterpret_cast<uintptr_t>(window)),
      "");
  ASSERT_NE(waitForChild(window, "PravixScreenSaverWindow"), nullptr)
      << "no preview in the parent window";
  // The parent's process ends without destroying its window.
  endProcess(parent.id());
  EXPECT_TRUE(preview.waitForExit(2000)) << "the preview outlived its parent";
}

TEST_F(ProgramStart, MainWindowFrame) {
  Process program(pravix(""), "");
  HWND window = waitForWindow(program.id(), "TMainForm");
  ASSERT_NE(window, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 486);
  EXPECT_EQ(client.bottom, 157);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  RECT frame{};
  GetWindowRect(window, &frame);
  const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int desktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  EXPECT_LE(std::abs((frame.left - desktopLeft) - (desktopLeft + desktopWidth - frame.right)), 1);
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.waitForExit());
}

TEST_F(ProgramStart, StubsReadTheMoviesTheProgramWrote) {
  Process projector(pravix(quoted(movie("intro.swf"))), "");
  expectQuietExit(projector);
  Process saver(pravix(quoted(movie("intro.swf")) + " SCR"), "");
  expectQuietExit(saver);

  EXPECT_EQ(runToEnd(quoted(movie("intro.exe")) + " /x " + quoted(movie("from-exe.swf")), ""), 0u);
  EXPECT_EQ(readBytes(movie("from-exe.swf")), movie_);
  EXPECT_EQ(runToEnd(quoted(movie("intro.scr")) + " /x " + quoted(movie("from-scr.swf")), ""), 0u);
  EXPECT_EQ(readBytes(movie("from-scr.swf")), movie_);

  // A bare stub holds no movie.
  EXPECT_EQ(runToEnd(quoted(path("app\\Player.exe")) + " /x " + quoted(movie("none.swf")), ""), 1u);
  EXPECT_FALSE(fs::exists(movie("none.swf")));
}

TEST(HelpFile, IsCompiledBesideTheProgramWithEveryTopic) {
  const test::Bytes help = readBytes(fs::path(windowsPath(PRAVIX_TEST_BIN_DIR)) / "Pravix.chm");
  ASSERT_GE(help.size(), 4u);
  EXPECT_EQ(std::string(help.begin(), help.begin() + 4), "ITSF");
  const std::string contents(help.begin(), help.end());
  for (const char* topic : {"/index.html", "/playing.html", "/commands.html", "/result.html",
                            "/commandline.html", "/messages.html"}) {
    EXPECT_NE(contents.find(topic), std::string::npos) << topic;
  }
}

}  // namespace
}  // namespace pravix::e2e
