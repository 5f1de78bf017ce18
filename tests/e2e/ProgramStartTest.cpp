// The program end to end under Wine: the command-line conversions, the fall back to the window,
// the exception box, and the stubs reading what the program wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "packaging/File.h"
#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/ProgramFolder.h"

namespace fs = std::filesystem;

namespace pravix::e2e {
namespace {

using test::Bytes;
using test::patternBytes;
using test::readBytes;
using test::writeBytes;

class ProgramStart : public ProgramFolderTest {
 protected:
  // The program ends by itself with exit code 0 and without showing anything that waits.
  void expectQuietExit(Process& program) {
    ASSERT_TRUE(program.waitForExit())
        << "still running; windows: " << topLevelWindows(program.id()).size();
    EXPECT_EQ(program.exitCode(), 0u);
  }

  // The program stays open with its main window; closing the window ends it with exit code 0.
  void expectInteractiveAndClose(Process& program) {
    HWND window = waitForWindow(program.id(), "TMainForm");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(windowText(window), "Pravix 2.0");
    EXPECT_TRUE(program.running());
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
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

TEST_F(ProgramStart, ExecutableWithoutAProjectorTrailerExitsSilently) {
  Process program(pravix(quoted(path("app\\Player.exe"))), "");
  expectQuietExit(program);
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

TEST_F(ProgramStart, MissingMovieWithoutThePlayerStubExitsSilently) {
  fs::remove(dir_ / "app" / "Player.exe");
  const auto before = test::snapshot(dir_);
  Process program(pravix(quoted(movie("absent.swf"))), "");
  expectQuietExit(program);
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(ProgramStart, MissingMovieShowsTheExceptionAndStaysOpen) {
  Process program(pravix(quoted(movie("absent.swf"))), "");
  HWND box = waitForWindow(program.id(), "#32770");
  ASSERT_NE(box, nullptr);
  const MessageBoxContents contents = readMessageBox(box);
  EXPECT_EQ(contents.caption, "Pravix 2.0");
  EXPECT_EQ(contents.text, "Cannot open file \"" + movie("absent.swf") + "\". " +
                               systemErrorText(ERROR_FILE_NOT_FOUND) + ".");
  EXPECT_EQ(contents.buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(contents.hasIcon);
  // The stub was copied before the movie was opened.
  EXPECT_EQ(readBytes(movie("absent.exe")), stub("Player.exe"));
  pressOk(box);
  expectInteractiveAndClose(program);
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
  for (const char* topic :
       {"/index.html", "/commands.html", "/result.html", "/commandline.html", "/messages.html"}) {
    EXPECT_NE(contents.find(topic), std::string::npos) << topic;
  }
}

}  // namespace
}  // namespace pravix::e2e
