// The options dialog end to end under Wine: opened from the File menu for a movie, its fields
// filled from the movie's options file and written back whole by OK, Esc and refused values leaving
// the file alone, the keyboard; and a conversion of that movie packing what `pravix pack` packs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"
#include "tests/TestSupport.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/ProgramFolder.h"
#include "ui/OptionsFrm.h"

namespace fs = std::filesystem;

namespace pravix::e2e {
namespace {

using namespace optionsform;
using test::Bytes;
using test::readBytes;
using test::writeBytes;

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// The options file the tests start from, as a person might write it.
constexpr char kWritten[] =
    "; Sky Runner's projector\r\n"
    "[Projector]\r\n"
    "Icon=art\\game.ico\r\n"
    "Title = Sky Runner\r\n"
    "Include=assets\r\n"
    "FullScreen=yes\r\n"
    "[Version]\r\n"
    "ProductName=Sky Runner\r\n"
    "FileVersion=1.2.3.4\r\n"
    "Comments=Made for the tests\r\n";

TEST(PathFromMovie, InsideTheMoviesFolderRelativeElsewhereWhole) {
  const std::string movie = "C:\\Games\\Sky\\sky.swf";
  const struct {
    const char* picked;
    const char* written;
  } cases[] = {
      {"C:\\Games\\Sky\\art\\game.ico", "art\\game.ico"},
      {"c:\\games\\SKY\\assets", "assets"},
      {"C:\\Games\\Sky", "."},
      {"C:\\Games\\Skyline\\game.ico", "C:\\Games\\Skyline\\game.ico"},
      {"C:\\Games\\game.ico", "C:\\Games\\game.ico"},
      {"D:\\Sky\\assets", "D:\\Sky\\assets"},
  };
  for (const auto& c : cases) EXPECT_EQ(pathFromMovie(movie, c.picked), c.written) << c.picked;
}

class OptionsDialog : public ProgramWindowTest {
 protected:
  void SetUp() override {
    ProgramWindowTest::SetUp();
    fs::create_directories(movies_ / "art");
    fs::create_directories(movies_ / "assets" / "levels");
    writeBytes(movies_ / "art" / "game.ico", test::iconFile({{16, 16}, {32, 32}}));
    writeBytes(movies_ / "assets" / "levels" / "one.xml", bytesOf("<level n=\"1\"/>"));
    writeBytes(optionsFile(), bytesOf(kWritten));
  }

  fs::path optionsFile() const { return movies_ / "intro.pravix.ini"; }

  // Opens the dialog from the menu for the movie, through the SWF open dialog.
  HWND open() const {
    menuCommand(main_, IDM_PROJECTOROPTIONS);
    HWND dialog = waitForOpenDialog(program_->id());
    if (dialog == nullptr) return nullptr;
    EXPECT_EQ(windowText(GetDlgItem(dialog, 0x470)), "SWF file (*.swf)");
    chooseInOpenDialog(dialog, movie("intro.swf"));
    return waitForWindow(program_->id(), "TOptionsForm");
  }

  static HWND field(HWND options, int id) { return GetDlgItem(options, id); }
  static std::string text(HWND options, int id) { return windowText(field(options, id)); }
  static void type(HWND options, int id, const std::string& text) {
    SendMessageA(field(options, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  static bool previewShown(HWND options) {
    return SendMessageA(field(options, kPreview), STM_GETICON, 0, 0) != 0;
  }
  bool closed(HWND options) const {
    return waitUntil([&] { return !IsWindowVisible(options) && IsWindowEnabled(main_); });
  }
};

TEST_F(OptionsDialog, ShowsTheFileAndOkWritesTheFieldsOverIt) {
  HWND options = open();
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(windowText(options), "Projector options");
  EXPECT_FALSE(IsWindowEnabled(main_)) << "the dialog is modal";
  EXPECT_EQ(text(options, kMovieName), "intro.swf");
  EXPECT_EQ(text(options, kOptionsFile), "Options file: intro.pravix.ini");
  const struct {
    int id;
    const char* text;
  } shown[] = {
      {kEditIcon, "art\\game.ico"}, {kEditTitle, "Sky Runner"},    {kEditInclude, "assets"},
      {kEditFileDescription, ""},   {kEditFileVersion, "1.2.3.4"}, {kEditProductName, "Sky Runner"},
      {kEditProductVersion, ""},    {kEditCompanyName, ""},        {kEditLegalCopyright, ""},
  };
  for (const auto& each : shown) EXPECT_EQ(text(options, each.id), each.text) << each.id;
  EXPECT_EQ(SendMessageA(field(options, kFullScreen), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(previewShown(options));

  // A path that names no icon shows none; Browse writes a path outside the movie's folder whole,
  // one inside it from there.
  type(options, kEditIcon, "art\\missing.ico");
  EXPECT_FALSE(previewShown(options));
  const std::string outside = path("other.ico");
  writeBytes(outside, test::iconFile({{48, 48}}));
  writeBytes(movies_ / "art" / "new.ico", test::iconFile({{32, 32}}));
  for (const auto& [chosen, written] :
       {std::pair{outside, outside}, {movie("art\\new.ico"), std::string("art\\new.ico")}}) {
    clickButton(field(options, kBrowseIcon));
    HWND dialog = waitForOpenDialog(program_->id());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(dialog, 0x470)), "Icon file (*.ico)");
    chooseInOpenDialog(dialog, chosen);
    EXPECT_TRUE(waitUntil([&] { return text(options, kEditIcon) == written; }));
    EXPECT_TRUE(previewShown(options));
  }

  // The folder picker writes the movie's own folder as ".".
  clickButton(field(options, kBrowseInclude));
  HWND picker = waitForOpenDialog(program_->id());
  ASSERT_NE(picker, nullptr);
  chooseInOpenDialog(picker, movies_.string());
  EXPECT_TRUE(waitUntil([&] { return text(options, kEditInclude) == "."; }));

  type(options, kEditTitle, "Sky Runner II");
  type(options, kEditFileVersion, "1.3");
  type(options, kEditCompanyName, "Northwind Games");
  clickButton(field(options, kBtnOK));
  ASSERT_TRUE(closed(options));
  // Whole, in the file's own order, with the version string the dialog does not show.
  EXPECT_EQ(readBytes(optionsFile()),
            bytesOf("; The options Pravix packs the movie of the same name with. Paths are "
                    "relative to its folder.\r\n"
                    "\r\n"
                    "[Projector]\r\n"
                    "Include=.\r\n"
                    "Icon=art\\new.ico\r\n"
                    "Title=Sky Runner II\r\n"
                    "FullScreen=yes\r\n"
                    "\r\n"
                    "[Version]\r\n"
                    "FileVersion=1.3\r\n"
                    "ProductName=Sky Runner\r\n"
                    "CompanyName=Northwind Games\r\n"
                    "Comments=Made for the tests\r\n"));
}

TEST_F(OptionsDialog, KeysMoveThroughTheFieldsAndEscOrARefusedValueWritesNothing) {
  const auto before = test::snapshot(dir_);
  HWND options = open();
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(waitUntil([&] { return focusedControl(options) == field(options, kEditIcon); }));

  // Tab goes through the fields in reading order.
  std::vector<int> walked{kEditIcon};
  for (HWND item = GetNextDlgTabItem(options, field(options, kEditIcon), FALSE);
       item != nullptr && item != field(options, kEditIcon) && walked.size() < 20;
       item = GetNextDlgTabItem(options, item, FALSE)) {
    walked.push_back(GetDlgCtrlID(item));
  }
  EXPECT_EQ(walked, (std::vector<int>{kEditIcon, kBrowseIcon, kEditTitle, kEditInclude,
                                      kBrowseInclude, kFullScreen, kEditFileDescription,
                                      kEditFileVersion, kEditProductName, kEditProductVersion,
                                      kEditCompanyName, kEditLegalCopyright, kBtnOK, kBtnCancel}));

  // Alt with a label's letter moves the focus to its field; Enter then asks for OK, which refuses
  // the value, says why and leaves the focus on it.
  const struct {
    char key;
    int id;
    const char* typed;
    std::string message;
  } refused[] = {
      {'v', kEditFileVersion, "1.x",
       "FileVersion \"1.x\" is not up to four numbers from 0 to 65535 separated by dots, such as "
       "1.2.3.4."},
      {'i', kEditIcon, "art\\missing.ico",
       test::openMessage(movie("art\\missing.ico"), test::kFileNotFound) + "."},
  };
  for (const auto& each : refused) {
    SCOPED_TRACE(each.typed);
    PostMessageA(focusedControl(options), WM_SYSCHAR, each.key, LPARAM{1} << 29);
    EXPECT_TRUE(waitUntil([&] { return focusedControl(options) == field(options, each.id); }));
    const std::string shown = text(options, each.id);
    type(options, each.id, each.typed);
    pressKey(options, VK_RETURN);
    expectBox(waitForMessageBox(program_->id()), each.message, true);
    EXPECT_TRUE(waitUntil([&] { return focusedControl(options) == field(options, each.id); }));
    EXPECT_TRUE(IsWindowVisible(options));
    type(options, each.id, shown);
  }

  type(options, kEditTitle, "Changed");
  pressKey(options, VK_ESCAPE);
  ASSERT_TRUE(closed(options));
  EXPECT_EQ(test::snapshot(dir_), before);
}

}  // namespace
}  // namespace pravix::e2e
