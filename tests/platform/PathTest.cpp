// The path rules: extension, change of extension, directory, and double-byte characters.
#include <gtest/gtest.h>

#include "platform/Path.h"
#include "tests/CodePageRules.h"
#include "platform/System.h"

namespace pravix {
namespace {

const PathRules& kWindows = test::kWindowsRules;
const PathRules& kShiftJis = test::kShiftJisRules;
const PathRules& kHighLeads = test::kHighLeadRules;

struct PathCase {
  const char* path;
  const char* extension;
  const char* directory;
};

void PrintTo(const PathCase& c, std::ostream* out) {
  *out << ::testing::PrintToString(c.path);
}

class WindowsPathRules : public ::testing::TestWithParam<PathCase> {};

TEST_P(WindowsPathRules, ExtensionAndDirectory) {
  EXPECT_EQ(fileExtension(GetParam().path, kWindows), GetParam().extension);
  EXPECT_EQ(fileDirectory(GetParam().path, kWindows), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, WindowsPathRules,
    ::testing::Values(PathCase{"C:\\movies\\intro.swf", ".swf", "C:\\movies\\"},
                      PathCase{"C:\\my.movies\\intro", "", "C:\\my.movies\\"},
                      PathCase{"C:\\movies\\intro.old.swf", ".swf", "C:\\movies\\"},
                      PathCase{"intro.SWF", ".SWF", ""}, PathCase{"intro", "", ""},
                      PathCase{"intro.", ".", ""}, PathCase{".swf", ".swf", ""},
                      PathCase{"C:intro.swf", ".swf", "C:"}, PathCase{"x.y:z", "", "x.y:"},
                      PathCase{"\\\\server\\share.d\\f", "", "\\\\server\\share.d\\"},
                      PathCase{"", "", ""}, PathCase{"a/b.c/d", ".c/d", ""}));

TEST(ChangeFileExtension, ReplacesOrAppendsAndKeepsTheNamesCase) {
  EXPECT_EQ(changeFileExtension("C:\\movies\\intro.swf", ".exe", kWindows),
            "C:\\movies\\intro.exe");
  EXPECT_EQ(changeFileExtension("C:\\my.movies\\intro", ".exe", kWindows),
            "C:\\my.movies\\intro.exe");
  EXPECT_EQ(changeFileExtension("C:\\movies\\intro.old.swf", ".exe", kWindows),
            "C:\\movies\\intro.old.exe");
  EXPECT_EQ(changeFileExtension("INTRO.SWF", ".exe", kWindows), "INTRO.exe");
  EXPECT_EQ(changeFileExtension("intro.", ".scr", kWindows), "intro.scr");
  EXPECT_EQ(changeFileExtension("", ".swf", kWindows), ".swf");
}

TEST(DoubleByteRule, SecondHalfOfACharacterIsNeverASeparatorOrDot) {
  // 0x83 0x5C is one character whose second byte is "\".
  const std::string name =
      "C:\\abc\x83\x5C"
      "def.swf";
  EXPECT_EQ(fileDirectory(name, kShiftJis), "C:\\");
  EXPECT_EQ(fileDirectory(name, kWindows), "C:\\abc\x83\x5C");
  EXPECT_EQ(changeFileExtension("C:\\a.b\\x\x83\x5Cy", ".exe", kShiftJis),
            "C:\\a.b\\x\x83\x5Cy.exe");
  EXPECT_EQ(changeFileExtension("C:\\a.b\\x\x83\x5Cy", ".exe", kWindows),
            "C:\\a.b\\x\x83\x5Cy.exe");
  EXPECT_EQ(fileExtension("C:\\a.b\\x\x83\x5Cy", kWindows), "");

  EXPECT_EQ(fileExtension("movie\x90.", kHighLeads), "");
  EXPECT_EQ(fileExtension("movie\x90..swf", kHighLeads), ".swf");
  EXPECT_EQ(fileDirectory("d\x90:name", kHighLeads), "");
  EXPECT_EQ(changeFileExtension("a.b\x90.c", ".exe", kHighLeads), "a.exe");
  // A lead byte that ends the string has no second half to skip.
  EXPECT_EQ(fileExtension("a.b\x90", kHighLeads), ".b\x90");
}

TEST(HostPathRules, SplitTheRunningProgramsPath) {
  const std::string directory = programDirectory();
  ASSERT_FALSE(directory.empty());
  const char last = directory.back();
  EXPECT_NE(hostPathRules().separators.find(last), std::string_view::npos) << directory;
  EXPECT_EQ(fileDirectory(directory + "Player.exe"), directory);
}

TEST(ReservedDeviceNames, AreThoseWindowsTakesForDevicesInEveryFolder) {
  // COM and LPT with a superscript digit, in UTF-8.
  const std::string comOne = "COM\xC2\xB9", lptThree = "lpt\xC2\xB3.txt";
  for (const std::string& name :
       {std::string("CON"), std::string("con.swf"), std::string("nul .txt"), std::string("Aux"),
        std::string("PRN.a.b"), std::string("CONIN$"), std::string("conout$.log"),
        std::string("COM0"), std::string("com9.exe"), std::string("LPT0"), std::string("lpt5"),
        comOne, lptThree, std::string("COM\xC2\xB2")}) {
    EXPECT_TRUE(isReservedDeviceName(name)) << name;
  }
  for (const std::string& name :
       {std::string("COM10"), std::string("console.swf"), std::string("xnul"), std::string("CONIN"),
        std::string("CONIN$x"), std::string("COM\xC2\xB4"), std::string("COM\xC2\xB9\xC2\xB9"),
        std::string("LPT"), std::string("auxiliary")}) {
    EXPECT_FALSE(isReservedDeviceName(name)) << name;
  }
}

}  // namespace
}  // namespace pravix
