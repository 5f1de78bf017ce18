// The main window end to end under Wine: each command through its open dialog, the messages, the
// result pane and Go, the keyboard, and the live window read back against the places, sizes and
// captions the form must show, written out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"
#include "resources/ResourceIds.h"
#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/ProgramFolder.h"
#include "ui/MainFrm.h"
#include "ui/Window.h"
#include "platform/System.h"

namespace fs = std::filesystem;

namespace pravix::e2e {
namespace {

using namespace mainform;
using test::Bytes;
using test::patternBytes;
using test::readBytes;
using test::writeBytes;

constexpr char kTitle[] = "Pravix 2.0";
constexpr char kConverted[] = "File has been converted successfully!";
constexpr char kSomethingError[] = "Something error!";
constexpr char kUnknownExecutable[] = "Unknown type of executable flash file!";
constexpr char kSwfFilter[] = "SWF file (*.swf)";
constexpr char kExeFilter[] = "EXE file (*.exe)";
// The open dialog's file-type and look-in combo boxes (cmb1, cmb2).
constexpr int kFileTypeBox = 0x470;
constexpr int kLookInBox = 0x471;

// A command started from its button or from its menu item.
struct Trigger {
  const char* name;
  int button;
  int menuItem;
};
constexpr Trigger kSwfToExe[] = {{"button", kButton1, 0}, {"menu", 0, IDM_CONVERTSWFTOEXE}};
constexpr Trigger kExeToSwf[] = {{"button", kButton2, 0}, {"menu", 0, IDM_CONVERTEXETOSWF}};

struct ChildProcess {
  DWORD id;
  std::string name;
};

class MainWindow : public ProgramWindowTest {
 protected:
  void SetUp() override {
    ProgramWindowTest::SetUp();
    panel_ = GetDlgItem(main_, kPanel1);
    ASSERT_NE(panel_, nullptr);
  }

  void TearDown() override {
    // What the program started for a test (a projector, an editor, the installer) goes with it.
    if (program_) {
      for (const ChildProcess& child : startedByProgram()) endProcessTree(child.id);
    }
    ProgramWindowTest::TearDown();
  }

  HWND control(int id) const { return GetDlgItem(panel_, id); }
  std::string text(int id) const { return windowText(control(id)); }
  void type(int id, const std::string& text) const {
    SendMessageA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  bool goEnabled() const { return IsWindowEnabled(control(kBtnGo)) != FALSE; }
  std::vector<HWND> shownDialogs() const { return topLevelWindows(program_->id(), "#32770"); }

  // The processes the program started, except Wine's desktop process, which the first windowed
  // program of a prefix may start and which other programs share.
  std::vector<ChildProcess> startedByProgram() const {
    std::vector<ChildProcess> children;
    for (const DWORD id : childProcesses(program_->id())) {
      const std::string name = processName(id);
      if (_stricmp(name.c_str(), "explorer.exe") != 0) children.push_back({id, name});
    }
    return children;
  }
  bool startedProcessNamed(const char* name) const {
    const auto children = startedByProgram();
    return std::any_of(children.begin(), children.end(), [name](const ChildProcess& child) {
      return _stricmp(child.name.c_str(), name) == 0;
    });
  }

  void start(const Trigger& trigger) const {
    if (trigger.button != 0) {
      clickButton(control(trigger.button));
    } else {
      menuCommand(main_, trigger.menuItem);
    }
  }

  // Starts a command and gives the open dialog it shows, checking that it filters `filter`.
  HWND openDialog(const Trigger& trigger, const char* filter) const {
    start(trigger);
    HWND dialog = waitForOpenDialog(program_->id());
    EXPECT_NE(dialog, nullptr) << "no open dialog for the " << trigger.name;
    if (dialog != nullptr) {
      EXPECT_EQ(windowText(GetDlgItem(dialog, kFileTypeBox)), filter);
    }
    return dialog;
  }
  HWND openDialog(int button, const char* filter) const {
    return openDialog(Trigger{"button", button, 0}, filter);
  }

  // Runs a command on `file` and gives the message box it ends with (nullptr: none came).
  HWND run(const Trigger& trigger, const char* filter, const std::string& file) const {
    HWND dialog = openDialog(trigger, filter);
    if (dialog == nullptr) return nullptr;
    chooseInOpenDialog(dialog, file);
    return waitForMessageBox(program_->id());
  }
  HWND run(int button, const char* filter, const std::string& file) const {
    return run(Trigger{"button", button, 0}, filter, file);
  }

  // A plain message, and an exception.
  static void expectMessage(HWND box, const std::string& text) { expectBox(box, text, false); }
  static void expectError(HWND box, const std::string& text) { expectBox(box, text, true); }

  void expectPane(const std::string& source, const std::string& target) const {
    EXPECT_EQ(text(kEdit1), source);
    EXPECT_EQ(text(kEdit2), target);
  }

  // Posted clicks and keys are handled in order: once the EXE dialog that a later click opens is
  // up, everything before it has been handled. Gives that dialog, to be cancelled by the caller.
  HWND afterEarlierInput() const { return openDialog(kButton2, kExeFilter); }

  static std::string processName(DWORD id) {
    char name[MAX_PATH] = {};
    KernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    DWORD size = sizeof name;
    if (!process || !QueryFullProcessImageNameA(process.get(), 0, name, &size)) return "";
    return fs::path(name).filename().string();
  }

  HWND panel_ = nullptr;
};

TEST_F(MainWindow, SwfToExeWritesTheProjectorBesideTheMovie) {
  EXPECT_FALSE(goEnabled());
  const Bytes second = patternBytes(70001, 7);
  writeBytes(movie("second.swf"), second);
  const struct {
    const Trigger& trigger;
    const char* name;
    const Bytes& bytes;
  } cases[] = {{kSwfToExe[0], "intro", movie_}, {kSwfToExe[1], "second", second}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trigger.name);
    const std::string source = movie(std::string(c.name) + ".swf");
    const std::string target = movie(std::string(c.name) + ".exe");
    expectMessage(run(c.trigger, kSwfFilter, source), kConverted);
    expectPane(source, target);
    EXPECT_TRUE(goEnabled());
    EXPECT_EQ(readBytes(target), projectorBytes(stub("Player.exe"), c.bytes));
    EXPECT_EQ(readBytes(source), c.bytes);
  }
}

TEST_F(MainWindow, ExeToSwfTakesTheMovieOutBesideTheProjector) {
  const Bytes second = patternBytes(4096, 9);
  writeBytes(movie("old.exe"), projectorBytes(patternBytes(5000, 3), movie_));
  writeBytes(movie("other.EXE"), projectorBytes(stub("Player.exe"), second));
  const struct {
    const Trigger& trigger;
    const char* file;
    const char* extracted;
    const Bytes& bytes;
  } cases[] = {{kExeToSwf[0], "old.exe", "old.swf", movie_},
               {kExeToSwf[1], "other.EXE", "other.swf", second}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trigger.name);
    expectMessage(run(c.trigger, kExeFilter, movie(c.file)), kConverted);
    expectPane(movie(c.file), movie(c.extracted));
    EXPECT_TRUE(goEnabled());
    EXPECT_EQ(readBytes(movie(c.extracted)), c.bytes);
  }
}

TEST_F(MainWindow, FailedConversionsShowTheirMessagesAndNoTarget) {
  expectMessage(run(kButton1, kSwfFilter, movie("intro.swf")), kConverted);
  fs::remove(movie("intro.exe"));

  {
    SCOPED_TRACE("an executable without a projector trailer");
    writeBytes(movie("plain.exe"), patternBytes(3000, 5));
    expectMessage(run(kButton2, kExeFilter, movie("plain.exe")), kUnknownExecutable);
    expectPane(movie("plain.exe"), "");
    EXPECT_FALSE(fs::exists(movie("plain.swf")));
  }
  {
    SCOPED_TRACE("a movie that already ends in .exe: it would be its own target");
    writeBytes(movie("movie.exe"), movie_);
    expectError(run(kButton1, kSwfFilter, movie("movie.exe")),
                "\"" + movie("movie.exe") + "\" is both the source and the target.");
    expectPane(movie("movie.exe"), "");
    EXPECT_EQ(readBytes(movie("movie.exe")), movie_);
  }
  {
    SCOPED_TRACE("no projector stub beside the program");
    fs::remove(dir_ / "app" / "Player.exe");
    expectMessage(run(kButton1, kSwfFilter, movie("intro.swf")), kSomethingError);
    expectPane(movie("intro.swf"), "");
    EXPECT_FALSE(fs::exists(movie("intro.exe")));
    EXPECT_EQ(readBytes(movie("intro.swf")), movie_);
  }
}

TEST_F(MainWindow, CancelledDialogsChangeNothing) {
  expectMessage(run(kButton1, kSwfFilter, movie("intro.swf")), kConverted);
  const auto before = test::snapshot(dir_);
  // Each cancelled command is checked while the next one's dialog is up, when it has surely ended.
  for (const auto& [button, filter] : {std::pair{kButton1, kSwfFilter},
                                       {kButton2, kExeFilter},
                                       {kButton3, kSwfFilter},
                                       {kButton1, kSwfFilter}}) {
    HWND dialog = openDialog(button, filter);
    ASSERT_NE(dialog, nullptr);
    expectPane(movie("intro.swf"), movie("intro.exe"));
    EXPECT_TRUE(goEnabled());
    EXPECT_EQ(shownDialogs(), std::vector<HWND>{dialog});
    cancelDialog(dialog);
  }
  EXPECT_EQ(test::snapshot(dir_), before);
}

TEST_F(MainWindow, MissingFileShowsTheErrorAndTheWindowStaysUsable) {
  const auto notFound = [](const std::string& file) {
    return "Cannot open file \"" + file + "\". " + test::kFileNotFound + ".";
  };
  expectError(run(kButton1, kSwfFilter, movie("absent.swf")), notFound(movie("absent.swf")));
  expectPane(movie("absent.swf"), "");
  EXPECT_FALSE(goEnabled());
  // The movie is opened before anything is written.
  EXPECT_FALSE(fs::exists(movie("absent.exe")));

  expectError(run(kButton2, kExeFilter, movie("missing.exe")), notFound(movie("missing.exe")));
  expectPane(movie("missing.exe"), "");

  expectMessage(run(kButton1, kSwfFilter, movie("intro.swf")), kConverted);
  expectPane(movie("intro.swf"), movie("intro.exe"));
  EXPECT_TRUE(goEnabled());
  EXPECT_EQ(readBytes(movie("intro.exe")), projectorBytes(stub("Player.exe"), movie_));
}

TEST_F(MainWindow, EachDialogOffersItsLastChosenFileAgain) {
  fs::create_directory(movies_ / "Projectors");
  const std::string projector = (movies_ / "Projectors" / "old.exe").string();
  writeBytes(projector, projectorBytes(patternBytes(2000, 4), movie_));

  HWND dialog = openDialog(kButton1, kSwfFilter);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(fileNameBox(dialog)), "");
  chooseInOpenDialog(dialog, movie("intro.swf"));
  expectMessage(waitForMessageBox(program_->id()), kConverted);

  // The movie chosen in the SWF dialog is not offered by the EXE dialog.
  dialog = openDialog(kButton2, kExeFilter);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(fileNameBox(dialog)), "");
  chooseInOpenDialog(dialog, projector);
  expectMessage(waitForMessageBox(program_->id()), kConverted);

  // Each dialog opens in the folder of its last file with that file's name filled in; taking the
  // offer converts the same file again. The screen-saver command shares the SWF dialog.
  const struct {
    int button;
    const char* filter;
    const char* name;
    const char* folder;
    std::string file;
  } offers[] = {{kButton1, kSwfFilter, "intro.swf", "My Movies", movie("intro.swf")},
                {kButton2, kExeFilter, "old.exe", "Projectors", projector}};
  for (const auto& offer : offers) {
    SCOPED_TRACE(offer.name);
    dialog = openDialog(offer.button, offer.filter);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(fileNameBox(dialog)), offer.name);
    EXPECT_EQ(windowText(GetDlgItem(dialog, kLookInBox)), offer.folder);
    acceptOpenDialog(dialog);
    expectMessage(waitForMessageBox(program_->id()), kConverted);
    EXPECT_EQ(text(kEdit1), offer.file);
  }
  dialog = openDialog(kButton3, kSwfFilter);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(fileNameBox(dialog)), "intro.swf");
  cancelDialog(dialog);
}

TEST_F(MainWindow, GoOpensTheTargetOrTheTypedFileAndNothingWhenEmpty) {
  expectMessage(run(kButton1, kSwfFilter, movie("intro.swf")), kConverted);
  ASSERT_TRUE(goEnabled());

  {
    SCOPED_TRACE("the projector just written");
    clickButton(control(kBtnGo));
    EXPECT_TRUE(waitUntil([&] { return startedProcessNamed("intro.exe"); }));
    // The projector hands its address to the browser (here a command that ends at once) before
    // it is ended: a browser whose start is cut short by its starter's end waits forever, and
    // holds the test's output open. The browser is seen going, or the hand-over given 3 s.
    for (const ChildProcess& child : startedByProgram()) {
      if (_stricmp(child.name.c_str(), "intro.exe") != 0) continue;
      bool seen = false;
      waitUntil(
          [&] {
            const bool browser = !childProcesses(child.id).empty();
            seen = seen || browser;
            return seen && !browser;
          },
          3000);
    }
  }
  {
    SCOPED_TRACE("a file typed into the target box");
    writeBytes(movie("notes.ini"), {'[', 'a', ']'});
    type(kEdit2, movie("notes.ini"));
    clickButton(control(kBtnGo));
    EXPECT_TRUE(waitUntil([&] { return startedProcessNamed("notepad.exe"); }));
  }
  EXPECT_TRUE(shownDialogs().empty());
  for (const ChildProcess& child : startedByProgram()) endProcessTree(child.id);
  ASSERT_TRUE(waitUntil([&] { return startedByProgram().empty(); }));

  for (const std::string& typed : {std::string(), movie("absent.ini")}) {
    SCOPED_TRACE("typed \"" + typed + "\"");
    type(kEdit2, typed);
    clickButton(control(kBtnGo));
    HWND dialog = afterEarlierInput();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(shownDialogs(), std::vector<HWND>{dialog});
    EXPECT_TRUE(startedByProgram().empty());
    cancelDialog(dialog);
  }
}

TEST_F(MainWindow, CommandIdZeroPressesNothing) {
  // Id 0 is no menu item's and no control's. Were it taken for Go, the file in the target box
  // would open.
  writeBytes(movie("notes.ini"), {'[', 'a', ']'});
  type(kEdit2, movie("notes.ini"));
  menuCommand(main_, 0);
  HWND dialog = afterEarlierInput();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(shownDialogs(), std::vector<HWND>{dialog});
  for (const ChildProcess& child : startedByProgram()) ADD_FAILURE() << "started " << child.name;
  cancelDialog(dialog);
}

TEST_F(MainWindow, ScreenSaverReplacesTheOneInTheSystemFolderWithoutAMessage) {
  char system[MAX_PATH + 1] = {};
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  const std::string target = std::string(system) + "\\Quendel.scr";
  const Bytes other = patternBytes(9000, 11);
  writeBytes(movie("other.swf"), other);

  const struct {
    Trigger trigger;
    const char* name;
    const Bytes& bytes;
  } cases[] = {{{"button", kButton3, 0}, "intro.swf", movie_},
               {{"menu", 0, IDM_SETASSCREENSAVER}, "other.swf", other}};
  for (const auto& [trigger, name, bytes] : cases) {
    SCOPED_TRACE(trigger.name);
    HWND dialog = openDialog(trigger, kSwfFilter);
    ASSERT_NE(dialog, nullptr);
    chooseInOpenDialog(dialog, movie(name));
    // The source is shown and the target emptied before the saver is written, the target last.
    EXPECT_TRUE(waitUntil([&] { return text(kEdit1) == movie(name) && text(kEdit2) == target; }));
    dialog = afterEarlierInput();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(shownDialogs(), std::vector<HWND>{dialog});
    cancelDialog(dialog);
    expectPane(movie(name), target);
    EXPECT_TRUE(goEnabled());
    EXPECT_EQ(readBytes(target), screenSaverBytes(stub("Quendel.dll"), bytes));
  }
  // The installer is not waited for; whatever it shows goes with the test's end.
  std::error_code ignored;
  fs::remove(target, ignored);
}

TEST_F(MainWindow, ExitFromTheMenuEndsTheProgramWithCodeZero) {
  menuCommand(main_, IDM_EXIT);
  ASSERT_TRUE(program_->waitForExit());
  EXPECT_EQ(program_->exitCode(), 0u);
}

TEST_F(MainWindow, KeyboardTabsThroughTheControlsAndEnterPressesTheFocusedButton) {
  EXPECT_TRUE(waitUntil([&] { return focusedControl(main_) == control(kButton1); }));
  // Go starts disabled, so Tab passes it by and wraps round to the first button.
  for (const int next : {kButton2, kButton3, kEdit1, kEdit2, kButton1, kButton2}) {
    pressKey(main_, VK_TAB);
    EXPECT_TRUE(waitUntil([&] { return focusedControl(main_) == control(next); }))
        << "expected the focus on control " << next << ", it is on "
        << GetDlgCtrlID(focusedControl(main_));
  }

  pressKey(main_, VK_RETURN);
  HWND dialog = waitForOpenDialog(program_->id());
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(windowText(GetDlgItem(dialog, kFileTypeBox)), kExeFilter);
  cancelDialog(dialog);
  // Back from the dialog, the focus is where it was.
  EXPECT_TRUE(waitUntil([&] { return focusedControl(main_) == control(kButton2); }));

  // F1 asks the shell for the help file, which this folder does not have: nothing is shown and
  // nothing started. The Tab after it is handled once F1 has been.
  pressKey(main_, VK_F1);
  pressKey(main_, VK_TAB);
  EXPECT_TRUE(waitUntil([&] { return focusedControl(main_) == control(kButton3); }));
  EXPECT_TRUE(shownDialogs().empty());
  EXPECT_TRUE(startedByProgram().empty());
  EXPECT_TRUE(responsive(main_));
  EXPECT_TRUE(program_->running());

  // With the help file beside the program, F1 opens it in the shell's help viewer.
  fs::copy_file(fs::path(windowsPath(PRAVIX_TEST_BIN_DIR)) / "Pravix.chm",
                dir_ / "app" / "Pravix.chm");
  pressKey(main_, VK_F1);
  EXPECT_TRUE(waitUntil([&] { return startedProcessNamed("hh.exe"); }));
}

// A menu item as menuItems shows it: its text, and its command id unless it opens a submenu.
std::string item(const std::string& text, int id) {
  return text + " " + std::to_string(id);
}

// "-" for a separator.
std::vector<std::string> menuItems(HMENU menu) {
  std::vector<std::string> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    const UINT id = GetMenuItemID(menu, i);
    if (GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION) == 0 && id == 0) {
      items.push_back("-");
    } else {
      items.push_back(std::string(text) + (id == UINT(-1) ? "" : " " + std::to_string(id)));
    }
  }
  return items;
}

// A control as the window must show it: its class; its place in pixels in the panel, or, for the
// result's controls, in the group box as the form was drawn; its size (0 for a label, which takes
// its text's, measured here); its caption; and the styles it must carry.
struct ShownControl {
  int id;
  const char* className;
  bool inGroup;
  int left, top, width, height;
  const char* text;
  DWORD style;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kTextLabel = kChild | SS_LEFT | SS_NOPREFIX;
// Created with WS_BORDER too, which an edit without a client edge takes off its window to draw a
// one-pixel frame inside its client area (checked below).
constexpr DWORD kTextBox = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;

// In the panel's order, which is the order Tab follows.
constexpr ShownControl kShown[] = {
    {kButton1, "Button", false, 18, 20, 128, 25, "Convert SWF to EXE", kPushButton},
    {kButton2, "Button", false, 160, 20, 129, 25, "Convert EXE To SWF", kPushButton},
    {kButton3, "Button", false, 302, 20, 169, 25, "Convert SWF to Screen Saver", kPushButton},
    {kGroupBox1, "Button", false, 18, 59, 454, 79, "Convert Result:", kChild | BS_GROUPBOX},
    {kLabel1, "Static", true, 10, 22, 0, 0, "Source file:", kTextLabel},
    {kEdit1, "Edit", true, 68, 19, 325, 19, "", kTextBox},
    {kLabel2, "Static", true, 16, 50, 0, 0, "Taget file:", kTextLabel},
    {kEdit2, "Edit", true, 68, 47, 325, 19, "", kTextBox},
    {kBtnGo, "Button", true, 399, 44, 29, 25, "Go", kPushButton | WS_DISABLED},
};

TEST_F(MainWindow, LiveControlsStandWhereTheFormPutsThem) {
  // The panel fills the client area.
  EXPECT_EQ(_stricmp(className(panel_).c_str(), "TPanel"), 0) << className(panel_);
  const RECT panel = boundsIn(panel_, main_);
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.top, 0);
  EXPECT_EQ(panel.right, 486);
  EXPECT_EQ(panel.bottom, 157);
  EXPECT_EQ(windowText(panel_), "");
  const DWORD panelStyle = kChild | WS_CLIPSIBLINGS;
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(panel_, GWL_STYLE)) & panelStyle, panelStyle);

  const RECT group = boundsIn(control(kGroupBox1), panel_);
  // What a label's text measures in the window's font, 8-point MS Sans Serif, made here.
  HDC screen = GetDC(nullptr);
  GdiObject font(CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             "MS Sans Serif"));
  HGDIOBJ previous = SelectObject(screen, font.get());
  const auto measure = [screen](const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    return SIZE{size.cx, metrics.tmHeight};
  };

  for (const ShownControl& shown : kShown) {
    SCOPED_TRACE(shown.text);
    HWND live = control(shown.id);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(_stricmp(className(live).c_str(), shown.className), 0) << className(live);
    EXPECT_EQ(windowText(live), shown.text);

    RECT bounds = boundsIn(live, panel_);
    if (shown.inGroup) OffsetRect(&bounds, -group.left, -group.top);
    EXPECT_EQ(bounds.left, shown.left);
    EXPECT_EQ(bounds.top, shown.top);
    const SIZE size{bounds.right - bounds.left, bounds.bottom - bounds.top};
    const SIZE expected = shown.width == 0 ? measure(shown.text) : SIZE{shown.width, shown.height};
    EXPECT_EQ(size.cx, expected.cx);
    EXPECT_EQ(size.cy, expected.cy);

    const DWORD style = static_cast<DWORD>(GetWindowLongA(live, GWL_STYLE));
    EXPECT_EQ(style & shown.style, shown.style)
        << std::hex << style << " lacks " << (shown.style & ~style);
    if (std::string(shown.className) == "Button") {
      EXPECT_EQ(style & BS_TYPEMASK, shown.style & BS_TYPEMASK);
    } else if (std::string(shown.className) == "Static") {
      EXPECT_EQ(style & SS_TYPEMASK, shown.style & SS_TYPEMASK);
    } else {
      EXPECT_FALSE(style & WS_BORDER);
      EXPECT_FALSE(GetWindowLongA(live, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
      RECT client{};
      GetClientRect(live, &client);
      EXPECT_EQ(client.right, shown.width);
      EXPECT_EQ(client.bottom, shown.height);
      RECT textArea{};
      SendMessageA(live, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&textArea));
      const auto margins = static_cast<DWORD>(SendMessageA(live, EM_GETMARGINS, 0, 0));
      EXPECT_EQ(textArea.left - LOWORD(margins), GetSystemMetrics(SM_CXBORDER) + 1);
      EXPECT_EQ(textArea.top, GetSystemMetrics(SM_CYBORDER) + 1);
    }
  }
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);

  // A label ends before the box it names.
  for (const auto& [label, edit] : {std::pair{kLabel1, kEdit1}, {kLabel2, kEdit2}}) {
    EXPECT_LE(boundsIn(control(label), panel_).right, boundsIn(control(edit), panel_).left);
  }
  EXPECT_FALSE(goEnabled());

  // The panel holds the controls in the form's order, and Tab goes through those it stops at.
  std::vector<int> stacked;
  for (HWND child = GetWindow(panel_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    stacked.push_back(GetDlgCtrlID(child));
  }
  EXPECT_EQ(stacked, (std::vector<int>{kButton1, kButton2, kButton3, kGroupBox1, kLabel1, kEdit1,
                                       kLabel2, kEdit2, kBtnGo}));
  std::vector<int> walked{GetDlgCtrlID(control(kButton1))};
  for (HWND item = GetNextDlgTabItem(main_, control(kButton1), FALSE);
       item != nullptr && item != control(kButton1) && walked.size() <= stacked.size();
       item = GetNextDlgTabItem(main_, item, FALSE)) {
    walked.push_back(GetDlgCtrlID(item));
  }
  EXPECT_EQ(walked, (std::vector<int>{kButton1, kButton2, kButton3, kEdit1, kEdit2}));
}

TEST_F(MainWindow, MenuBarHoldsTheCommands) {
  // Menus live in the memory of the process that made them: under Wine another process gets no
  // items from the window's menu, so the live window is only checked for having one, and the
  // items are read from the menu the program loads, in its own file.
  EXPECT_NE(GetMenu(main_), nullptr);
  Module module(LoadLibraryExA(path("app\\Pravix.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  Menu menu(LoadMenuA(module.get(), MAKEINTRESOURCEA(IDR_MAINMENU)));
  ASSERT_TRUE(menu);
  EXPECT_EQ(menuItems(menu.get()), (std::vector<std::string>{"&File", "&Help"}));
  EXPECT_EQ(menuItems(GetSubMenu(menu.get(), 0)),
            (std::vector<std::string>{item("Convert &SWF to EXE", IDM_CONVERTSWFTOEXE),
                                      item("Convert &EXE to SWF", IDM_CONVERTEXETOSWF),
                                      item("Convert SWF to Screen Saver", IDM_SETASSCREENSAVER),
                                      "-", item("Projector &options...", IDM_PROJECTOROPTIONS), "-",
                                      item("E&xit", IDM_EXIT)}));
  EXPECT_EQ(menuItems(GetSubMenu(menu.get(), 1)),
            (std::vector<std::string>{item("&Contents...\tF1", IDM_CONTENTS), "-",
                                      item("Visit www.pravix.example", IDM_HELPVISIT), "-",
                                      item("&About...", IDM_ABOUT)}));
}

TEST_F(MainWindow, NamesInAnyScriptPassThroughTheDialogs) {
  char system[MAX_PATH + 1] = {};
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  const std::string saver = std::string(system) + "\\Quendel.scr";
  uint32_t seed = 0;
  for (const char* name : {u8"Привет", u8"漢字", u8"café"}) {
    SCOPED_TRACE(name);
    const Bytes movie = patternBytes(3000, ++seed);
    const std::string base = (movies_ / fs::u8path(name)).u8string();
    writeBytes(fs::u8path(base + ".swf"), movie);
    expectMessage(run(kButton1, kSwfFilter, base + ".swf"), kConverted);
    expectPane(base + ".swf", base + ".exe");
    fs::remove(fs::u8path(base + ".swf"));
    expectMessage(run(kButton2, kExeFilter, base + ".exe"), kConverted);
    expectPane(base + ".exe", base + ".swf");
    EXPECT_EQ(readBytes(fs::u8path(base + ".exe")), projectorBytes(stub("Player.exe"), movie));
    EXPECT_EQ(readBytes(fs::u8path(base + ".swf")), movie);

    HWND dialog = openDialog(kButton3, kSwfFilter);
    ASSERT_NE(dialog, nullptr);
    chooseInOpenDialog(dialog, base + ".swf");
    EXPECT_TRUE(waitUntil([&] { return text(kEdit2) == saver; }));
    EXPECT_EQ(readBytes(saver), screenSaverBytes(stub("Quendel.dll"), movie));
  }
  std::error_code ignored;
  fs::remove(saver, ignored);
}

}  // namespace
}  // namespace pravix::e2e
