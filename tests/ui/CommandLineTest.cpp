// The command line: splitting the raw line, and which conversion the arguments ask for.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/CommandLine.h"

namespace pravix {
namespace {

using Items = std::vector<std::string>;

struct SplitCase {
  std::string line;
  Items items;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << ::testing::PrintToString(c.line);
}

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheItems) {
  EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitCommandLine,
    ::testing::Values(
        SplitCase{"", {}}, SplitCase{"   \t ", {}}, SplitCase{"Pravix.exe", {"Pravix.exe"}},
        SplitCase{"Pravix.exe intro.swf Scr", {"Pravix.exe", "intro.swf", "Scr"}},
        SplitCase{"\"C:\\Program Files\\Pravix.exe\" \"C:\\My Movies\\intro.swf\"",
                  {"C:\\Program Files\\Pravix.exe", "C:\\My Movies\\intro.swf"}},
        // Quotes may stand anywhere in an item; there is no escape character.
        SplitCase{"p C:\\\"My Movies\"\\intro.swf", {"p", "C:\\My Movies\\intro.swf"}},
        SplitCase{"p \"a b\"c d", {"p", "a bc", "d"}}, SplitCase{"p a\"\"b", {"p", "ab"}},
        SplitCase{"p \"a\\\" b", {"p", "a\\", "b"}},
        // An unclosed quote runs to the end of the line, separators included.
        SplitCase{"p \"My Movies\\intro.swf  scr", {"p", "My Movies\\intro.swf  scr"}},
        // An empty quoted item does not count, wherever it stands.
        SplitCase{"p \"\" intro.swf", {"p", "intro.swf"}},
        SplitCase{"p \"\"\"\" \"\" x", {"p", "x"}}, SplitCase{"p \"\"", {"p"}},
        SplitCase{"p \"\"intro.swf", {"p", "intro.swf"}}, SplitCase{"p \"\"\"a b\"", {"p", "a b"}},
        SplitCase{"p \"\"\"", {"p", ""}},
        // Every byte from 1 to 32 separates; bytes above 127 belong to the item.
        SplitCase{"p\ta\x01"
                  "b\x1f"
                  "c\r\nd",
                  {"p", "a", "b", "c", "d"}},
        SplitCase{"p \xE9t\xE9.swf \xA0x", {"p", "\xE9t\xE9.swf", "\xA0x"}},
        SplitCase{std::string("p a\0b", 5), {"p", "a"}}));

TEST(CommandLineArgument, MissingItemsReadAsEmpty) {
  EXPECT_EQ(commandLineArgument("Pravix.exe \"My Movies\\a.swf\"", 1), "My Movies\\a.swf");
  EXPECT_EQ(commandLineArgument("Pravix.exe \"My Movies\\a.swf\"", 2), "");
  EXPECT_EQ(commandLineArgument("", 0), "");
  EXPECT_EQ(commandLineArgument("Pravix.exe", 1), "");
}

struct DispatchCase {
  const char* argument1;
  const char* argument2;
  std::optional<Task> conversion;
};

void PrintTo(const DispatchCase& c, std::ostream* out) {
  *out << ::testing::PrintToString(c.argument1) << " " << ::testing::PrintToString(c.argument2);
}

class ChooseConversion : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(ChooseConversion, FollowsTheExtensionAndTheSecondArgument) {
  EXPECT_EQ(chooseConversion(GetParam().argument1, GetParam().argument2), GetParam().conversion)
      << GetParam().argument1 << " / " << GetParam().argument2;
}

constexpr auto kProjector = Task::PackProjector;
constexpr auto kScreenSaver = Task::PackScreenSaver;
constexpr auto kExtract = Task::Extract;
constexpr std::nullopt_t kWindow = std::nullopt;

INSTANTIATE_TEST_SUITE_P(Table, ChooseConversion,
                         ::testing::Values(DispatchCase{"C:\\My Movies\\intro.swf", "", kProjector},
                                           DispatchCase{"intro.SWF", "Scr", kScreenSaver},
                                           DispatchCase{"intro.swf", "scr", kScreenSaver},
                                           DispatchCase{"intro.Swf", "SCR", kScreenSaver},
                                           DispatchCase{"intro.swf", "exe", kProjector},
                                           DispatchCase{"intro.swf", "screen", kProjector},
                                           DispatchCase{"intro.swf", "SCR ", kProjector},
                                           DispatchCase{"intro.swf",
                                                        "\xD3"
                                                        "CR",
                                                        kProjector},
                                           DispatchCase{"movie.EXE", "scr", kExtract},
                                           DispatchCase{"movie.exe", "", kExtract},
                                           DispatchCase{"intro.swf.bak", "", kWindow},
                                           DispatchCase{"notes.txt", "scr", kWindow},
                                           DispatchCase{"", "", kWindow},
                                           DispatchCase{"swf", "", kWindow},
                                           DispatchCase{"intro.swfx", "", kWindow},
                                           DispatchCase{"intro.\xD3WF", "", kWindow}));

}  // namespace
}  // namespace pravix
