// The Win32 wrappers: code pages that never give a look-alike, and the screen-saver installer's
// command line.
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Shell.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

TEST(CodePage, NamesACodePageCannotHoldAreMarkedNeverGivenALookAlike) {
  const Narrowed russian = toCodePage(L"Привет.swf", 1251);
  EXPECT_TRUE(russian.exact);
  EXPECT_EQ(russian.text, "\xCF\xF0\xE8\xE2\xE5\xF2.swf");
  const Narrowed accented = toCodePage(L"caf\u00E9.swf", 1251);  // 1251 has no é: no "cafe.swf"
  EXPECT_FALSE(accented.exact);
  EXPECT_EQ(accented.text, "caf?.swf");
  EXPECT_FALSE(toCodePage(L"\u6F22\u5B57.swf", 1252).exact);
  EXPECT_EQ(toCodePage(L"\u6F22\u5B57.swf", CP_UTF8).text, u8"漢字.swf");
  EXPECT_EQ(fromCodePage("\xCF\xF0\xE8\xE2\xE5\xF2", 1251), L"Привет");
  try {
    refuseUnrepresentable("C:\\movies\\caf?.swf");
    ADD_FAILURE() << "not refused";
  } catch (const FileRefusedError& e) {
    EXPECT_STREQ(e.what(),
                 "\"C:\\movies\\caf?.swf\" cannot be written in the system's code page; rename it");
  }
}

TEST(ScreenSaverInstallCommand, NamesTheInstallerByItsFullPath) {
  EXPECT_EQ(
      screenSaverInstallCommand("C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\Quendel.scr"),
      "\"C:\\WINDOWS\\system32\\rundll32.exe\" desk.cpl,InstallScreenSaver "
      "C:\\WINDOWS\\system32\\Quendel.scr");
}

}  // namespace
}  // namespace pravix
