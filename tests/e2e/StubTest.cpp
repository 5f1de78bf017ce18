// The stubs end to end under Wine: "/x" refusing what it cannot write, the screen saver's full
// screen, preview and settings, and the projector's plain run where no browser can show its movie
// (tests/player shows it playing in one).
#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/ProgramFolder.h"

namespace pravix::e2e {
namespace {

using test::Bytes;

constexpr DWORD kCannotWrite = 2;
constexpr DWORD kBadUsage = 3;

// A movie the stubs describe: FWS, version 10, 550 x 400 px, 24 fps, one frame.
Bytes describedMovie() {
  return test::concat({'F',  'W',  'S',  10,   0x00, 0x10, 0x00, 0x00, 0x78, 0x00, 0x05,
                       0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x18, 0x01, 0x00},
                      test::patternBytes(979, 4));
}

class Stub : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    test::writeBytes(movie("intro.exe"), projectorBytes(stub("Player.exe"), described_));
    test::writeBytes(movie("intro.scr"), screenSaverBytes(stub("Quendel.dll"), described_));
  }

  // A packed stub's command line.
  std::string packed(const char* name, const std::string& arguments) const {
    return quoted(movie(name)) + (arguments.empty() ? "" : " " + arguments);
  }

  const Bytes described_ = describedMovie();
};

TEST_F(Stub, ExtractionThatCannotWriteExitsTwoAndLeavesTheFolderAsItWas) {
  test::writeBytes(movie("held.swf"), test::patternBytes(760, 3));
  const auto before = test::snapshot(dir_);
  {
    const FileHandle held(CreateFileA(movie("held.swf").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    for (const char* name : {"intro.exe", "intro.scr"}) {
      SCOPED_TRACE(name);
      EXPECT_EQ(runToEnd(packed(name, "/x " + quoted(movie("absent\\movie.swf"))), ""),
                kCannotWrite);
      EXPECT_EQ(runToEnd(packed(name, "/x " + quoted(movie("held.swf"))), ""), kCannotWrite);
    }
  }
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(Stub, BadUsageExitsThreeAndWritesNothing) {
  const auto before = test::snapshot(dir_);
  for (const char* name : {"intro.exe", "intro.scr"}) {
    for (const char* arguments : {"/x", "-X:", "/x a.swf b.swf", "/x:a.swf b.swf", "/q", "x.swf"}) {
      SCOPED_TRACE(std::string(name) + " " + arguments);
      EXPECT_EQ(runToEnd(packed(name, arguments), movies_.string()), kBadUsage);
    }
  }
  EXPECT_EQ(runToEnd(packed("intro.exe", "/s"), ""), kBadUsage);
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(Stub, FullScreenSaverCoversTheScreenUntilAKeyOrTheWheel) {
  for (const bool key : {true, false}) {
    SCOPED_TRACE(key ? "a key" : "the wheel");
    Process saver(packed("intro.scr", "/s"), "");
    HWND window = waitForWindow(saver.id(), "PravixScreenSaverWindow");
    ASSERT_NE(window, nullptr);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(bounds.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(bounds.right - bounds.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(bounds.bottom - bounds.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(saver.running());
    if (key) {
      pressKeyOn(window, VK_SPACE);
    } else {
      PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(10, 10));
    }
    ASSERT_TRUE(saver.waitForExit()) << "the input did not end the screen saver";
    EXPECT_EQ(saver.exitCode(), 0u);
  }
}

TEST_F(Stub, PreviewFillsTheGivenWindowAndEndsWithIt) {
  Process parent(pravix(""), "");
  HWND window = waitForWindow(parent.id(), "TMainForm");
  ASSERT_NE(window, nullptr);
  Process preview(packed("intro.scr", "/p " + std::to_string(reinterpret_cast<uintptr_t>(window))),
                  "");
  HWND child = waitForChild(window, "PravixScreenSaverWindow");
  ASSERT_NE(child, nullptr) << "no preview in the given window";
  RECT client{}, shown{};
  GetClientRect(window, &client);
  GetClientRect(child, &shown);
  EXPECT_EQ(shown.right, client.right);
  EXPECT_EQ(shown.bottom, client.bottom);

  // Wine shows no pixels of a window whose parent lives in another process; its place, its size
  // and its being shown are what can be read.
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & WS_CHILD, WS_CHILD);
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(parent.waitForExit());
  EXPECT_TRUE(preview.waitForExit()) << "the preview outlived its window";
}

TEST_F(Stub, SettingsShowTheirMessageAndAPasswordChangeEndsAtOnce) {
  for (const char* arguments : {"/c", "", "/c:0"}) {
    SCOPED_TRACE(arguments);
    Process saver(packed("intro.scr", arguments), "");
    HWND box = waitForMessageBox(saver.id());
    ASSERT_NE(box, nullptr);
    const MessageBoxContents contents = readMessageBox(box);
    EXPECT_EQ(contents.caption, "Pravix Screen Saver");
    EXPECT_EQ(contents.text, "This screen saver has no settings.");
    EXPECT_EQ(contents.buttons, std::vector<std::string>{"OK"});
    pressOk(box);
    ASSERT_TRUE(saver.waitForExit());
    EXPECT_EQ(saver.exitCode(), 0u);
  }
  EXPECT_EQ(runToEnd(packed("intro.scr", "/a"), ""), 0u);
}

// The machine's program for web addresses replaced for a while, as on a system without a browser.
// (Wine reads it from the machine's classes alone, not from the user's.)
class NoWebBrowser {
 public:
  NoWebBrowser(const std::string& missingProgram) {
    char value[1024] = {};
    DWORD size = sizeof value;
    saved_ = RegGetValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr, RRF_RT_REG_SZ, nullptr, value,
                          &size) == ERROR_SUCCESS;
    if (saved_) original_ = value;
    set("\"" + missingProgram + "\" \"%1\"");
  }
  ~NoWebBrowser() {
    if (saved_) set(original_);
  }

 private:
  static constexpr const char* kCommand = "Software\\Classes\\http\\shell\\open\\command";
  static void set(const std::string& command) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr, REG_SZ, command.c_str(),
                    static_cast<DWORD>(command.size() + 1));
  }
  bool saved_ = false;
  std::string original_;
};

// Without Edge or Chrome in App Paths and with no program for web addresses, the projector says
// so once, in its own box, and ends.
TEST_F(Stub, PlayerWithoutABrowserSaysSoOnce) {
  const NoWebBrowser noBrowser(movie("no-browser.exe"));
  Process player(packed("intro.exe", ""), "");
  HWND box = waitForMessageBox(player.id());
  ASSERT_NE(box, nullptr);
  const MessageBoxContents contents = readMessageBox(box);
  EXPECT_EQ(contents.caption, "Pravix Player");
  EXPECT_EQ(contents.text.rfind("There is no web browser to play the movie in.\n\n", 0), 0u)
      << contents.text;
  EXPECT_TRUE(contents.hasIcon);
  pressOk(box);
  ASSERT_TRUE(player.waitForExit());
  EXPECT_EQ(player.exitCode(), 2u);
}

TEST_F(Stub, PlayerWithoutAMovieSaysSo) {
  Process player(quoted(path("app\\Player.exe")), "");
  HWND box = waitForMessageBox(player.id());
  ASSERT_NE(box, nullptr);
  const MessageBoxContents contents = readMessageBox(box);
  EXPECT_EQ(contents.caption, "Pravix Player");
  EXPECT_EQ(contents.text.rfind("There is no movie to show.\n\n", 0), 0u) << contents.text;
  pressOk(box);
  ASSERT_TRUE(player.waitForExit());
  EXPECT_EQ(player.exitCode(), 1u);
}

}  // namespace
}  // namespace pravix::e2e
