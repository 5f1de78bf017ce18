// The About box under Wine: version from the version block, one kept object, the memory lines of
// the first opening, closing, links, and its controls read back against the places, sizes and
// captions the form must show, written out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"
#include "tests/e2e/ProgramFolder.h"
#include "ui/AboutFrm.h"

namespace fs = std::filesystem;

namespace pravix::e2e {
namespace {

using namespace aboutform;

TEST(GetExeVersion, ReadsTheFixedVersionOfTheProgram) {
  const fs::path bin = windowsPath(PRAVIX_TEST_BIN_DIR);
  unsigned major = 0, minor = 0, release = 0, build = 0;
  ASSERT_TRUE(GetExeVersion((bin / "Pravix.exe").string(), major, minor, release, build));
  EXPECT_EQ(major, 2u);
  EXPECT_EQ(minor, 0u);
  EXPECT_EQ(release, 0u);
  EXPECT_EQ(build, 100u);
}

TEST(GetExeVersion, FilesWithoutAVersionBlockLeaveTheNumbersAlone) {
  const fs::path bin = windowsPath(PRAVIX_TEST_BIN_DIR);
  unsigned major = 7, minor = 7, release = 7, build = 7;
  EXPECT_FALSE(GetExeVersion((bin / "Player.exe").string(), major, minor, release, build));
  EXPECT_FALSE(GetExeVersion((bin / "Pravix.chm").string(), major, minor, release, build));
  EXPECT_FALSE(GetExeVersion((bin / "absent.exe").string(), major, minor, release, build));
  EXPECT_EQ(major + minor + release + build, 28u);
}

// The links' colour.
constexpr COLORREF kBlue = RGB(0, 0, 255);

// The pixels of a control's area on the screen, row by row.
std::vector<std::vector<COLORREF>> screenPixels(HWND control) {
  RECT bounds{};
  GetWindowRect(control, &bounds);
  HDC screen = GetDC(nullptr);
  std::vector<std::vector<COLORREF>> rows;
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    rows.emplace_back();
    for (int x = bounds.left; x < bounds.right; ++x) rows.back().push_back(GetPixel(screen, x, y));
  }
  ReleaseDC(nullptr, screen);
  return rows;
}

bool showsColour(HWND control, COLORREF colour) {
  for (const auto& row : screenPixels(control)) {
    for (COLORREF pixel : row) {
      if (pixel == colour) return true;
    }
  }
  return false;
}

// An underline is a run of the text's colour along most of the label; letters make short runs.
bool underlined(HWND label, COLORREF colour) {
  for (const auto& row : screenPixels(label)) {
    size_t run = 0, longest = 0;
    for (COLORREF pixel : row) {
      run = pixel == colour ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    if (longest * 4 >= row.size() * 3) return true;
  }
  return false;
}

// The physical memory as the box must write it: whole kilobytes, the nearest, their digits grouped
// in threes by the user's separator. Worked out here apart from the program's own text.
std::string kilobytesOf(uint64_t bytes, const std::string& separator) {
  uint64_t kilobytes = (bytes + 512) / 1024;
  std::string text;
  do {
    const uint64_t rest = kilobytes / 1000;
    char group[8];
    std::snprintf(group, sizeof group, rest > 0 ? "%03u" : "%u",
                  static_cast<unsigned>(kilobytes % 1000));
    text = group + (text.empty() ? "" : separator + text);
    kilobytes = rest;
  } while (kilobytes > 0);
  return text + " KB";
}

class AboutBox : public ProgramWindowTest {
 protected:
  HWND open() {
    menuCommand(main_, IDM_ABOUT);
    return waitForWindow(program_->id(), "TAboutForm");
  }

  static HWND control(HWND about, int id) { return GetDlgItem(about, id); }

  static bool closed(HWND about) {
    return waitUntil([&] { return IsWindow(about) && !IsWindowVisible(about); });
  }
};

TEST_F(AboutBox, ShowsTheVersionAndTheMemoryOfTheFirstOpening) {
  HWND about = open();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(windowText(about), "About Pravix");
  EXPECT_FALSE(IsWindowEnabled(main_)) << "the box is modal";
  EXPECT_EQ(windowText(control(about, kProductName)), "Pravix");
  EXPECT_EQ(windowText(control(about, kLabelVersion)), "Version 2.0 (Build 100)");

  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  char separator[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
  const std::string physical = windowText(control(about, kPhysMem));
  const std::string load = windowText(control(about, kFreeRes));
  EXPECT_EQ(physical, kilobytesOf(memory.ullTotalPhys, separator));
  ASSERT_GE(load.size(), 3u);
  EXPECT_EQ(load.substr(load.size() - 2), " %");
  const int percent = std::stoi(load);
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);

  clickButton(control(about, kButton1));
  ASSERT_TRUE(closed(about));
  EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));

  // The same object again, with the memory lines of its first opening.
  SetWindowTextA(control(about, kFreeRes), "changed meanwhile");
  HWND again = open();
  EXPECT_EQ(again, about);
  EXPECT_EQ(windowText(control(about, kFreeRes)), "changed meanwhile");
  EXPECT_EQ(windowText(control(about, kPhysMem)), physical);
  EXPECT_EQ(windowText(control(about, kLabelVersion)), "Version 2.0 (Build 100)");
}

TEST_F(AboutBox, EscDoesNotCloseItEnterAndTheCloseBoxDo) {
  HWND about = open();
  ASSERT_NE(about, nullptr);
  HWND ok = control(about, kButton1);
  EXPECT_TRUE(waitUntil([&] { return focusedControl(about) == ok; }));
  pressKeyOn(ok, VK_ESCAPE);
  // Posted messages are handled in order: once the OK button shows a state posted after Esc, and
  // then the state posted after that, Esc and whatever its handling posted have been handled.
  for (const BOOL pushed : {TRUE, FALSE}) {
    PostMessageA(ok, BM_SETSTATE, pushed, 0);
    ASSERT_TRUE(waitUntil([&] {
      return ((SendMessageA(ok, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) == (pushed != 0);
    }));
  }
  EXPECT_TRUE(IsWindowVisible(about));

  pressKeyOn(ok, VK_RETURN);
  ASSERT_TRUE(closed(about));

  ASSERT_EQ(open(), about);
  PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(closed(about));
  EXPECT_TRUE(IsWindowEnabled(main_));
  // Wine without a window manager takes a moment to take the hidden box off the screen.
  EXPECT_TRUE(waitUntil([&] { return responsive(main_); }));
}

TEST_F(AboutBox, LinksAreBlueAndUnderlinedOnlyWhileTheMouseIsOverThem) {
  HWND about = open();
  ASSERT_NE(about, nullptr);
  HWND http = control(about, kHttpTo);
  HWND mail = control(about, kMailTo);
  HWND plain = control(about, kLabel3);
  ASSERT_TRUE(waitUntil([&] { return showsColour(http, kBlue); }));
  EXPECT_TRUE(showsColour(mail, kBlue));
  EXPECT_FALSE(showsColour(plain, kBlue));

  EXPECT_FALSE(underlined(http, kBlue));
  EXPECT_FALSE(underlined(mail, kBlue));

  RECT bounds{};
  GetWindowRect(http, &bounds);
  SetCursorPos(bounds.left + 3, (bounds.top + bounds.bottom) / 2);
  EXPECT_TRUE(waitUntil([&] { return underlined(http, kBlue); }));
  EXPECT_FALSE(underlined(mail, kBlue));

  // Leaving the box altogether also ends the underline.
  RECT box{};
  GetWindowRect(about, &box);
  SetCursorPos(box.right + 40, box.bottom + 40);
  EXPECT_TRUE(waitUntil([&] { return !underlined(http, kBlue); }));

  GetWindowRect(mail, &bounds);
  SetCursorPos(bounds.left + 3, (bounds.top + bounds.bottom) / 2);
  EXPECT_TRUE(waitUntil([&] { return underlined(mail, kBlue); }));
  EXPECT_FALSE(underlined(http, kBlue));
  GetWindowRect(plain, &bounds);
  SetCursorPos(bounds.left + 3, (bounds.top + bounds.bottom) / 2);
  EXPECT_TRUE(waitUntil([&] { return !underlined(mail, kBlue); }));
}

// A control as the box must show it: its place and size in pixels (0 for a label, which takes its
// text's), its caption (none for those the box fills in when it opens), the styles it must carry.
struct ShownControl {
  int id;
  int left, top, width, height;
  const char* text;
  DWORD style;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTextLabel = kChild | SS_LEFT | SS_NOPREFIX;

constexpr ShownControl kShown[] = {
    {kImage1, 19, 12, 32, 32, "", kChild | SS_ICON},
    {kProductName, 61, 9, 0, 0, "Pravix", kTextLabel},
    {kLabelVersion, 61, 33, 0, 0, nullptr, kTextLabel},
    {kCopyright, 19, 51, 0, 0, "Copyright (C) 2026 Pravix Project", kTextLabel},
    {kHttpTo, 19, 102, 0, 0, "www.pravix.example", kTextLabel | SS_NOTIFY},
    {kMailTo, 19, 117, 0, 0, "support@pravix.example", kTextLabel | SS_NOTIFY},
    {kButton1, 202, 103, 75, 25, "&OK", kChild | WS_TABSTOP | BS_PUSHBUTTON},
    {kBevel1, 17, 136, 264, 2, "", kChild},
    {kLabel3, 19, 147, 0, 0, "Physical Memory Available to Windows:", kTextLabel},
    {kPhysMem, 214, 147, 0, 0, nullptr, kTextLabel},
    {kLabel4, 19, 163, 0, 0, "Memory in Use:", kTextLabel},
    {kFreeRes, 215, 163, 0, 0, nullptr, kTextLabel},
};

TEST_F(AboutBox, ControlsStandWhereTheFormPutsThem) {
  HWND about = open();
  ASSERT_NE(about, nullptr);
  RECT client{};
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 192);
  const LONG style = GetWindowLongA(about, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

  for (const ShownControl& shown : kShown) {
    SCOPED_TRACE(shown.id);
    HWND item = control(about, shown.id);
    ASSERT_NE(item, nullptr);
    const RECT place = boundsIn(item, about);
    EXPECT_EQ(place.left, shown.left);
    EXPECT_EQ(place.top, shown.top);
    if (shown.width != 0) {
      EXPECT_EQ(place.right - place.left, shown.width);
      EXPECT_EQ(place.bottom - place.top, shown.height);
    } else {
      EXPECT_GT(place.right - place.left, 0);
      EXPECT_GT(place.bottom - place.top, 0);
    }
    const DWORD live = static_cast<DWORD>(GetWindowLongA(item, GWL_STYLE));
    EXPECT_EQ(live & shown.style, shown.style) << std::hex << live;
    if (shown.text != nullptr) {
      EXPECT_EQ(windowText(item), shown.text);
    }
  }
  // The memory numbers stand one pixel apart, right of their captions.
  EXPECT_EQ(boundsIn(control(about, kPhysMem), about).left + 1,
            boundsIn(control(about, kFreeRes), about).left);
  EXPECT_NE(SendMessageA(control(about, kImage1), STM_GETICON, 0, 0), 0);
}

}  // namespace
}  // namespace pravix::e2e
