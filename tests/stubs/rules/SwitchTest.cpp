// The stubs' switches: a letter after "/" or "-", in either case, with its operands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stubs/rules/Switch.h"

namespace pravix::stub {
namespace {

using Items = std::vector<std::string>;

TEST(Switch, TakesOneLetterAnOperandAfterAColonAndTheRemainingArguments) {
  const struct {
    Items arguments;
    char letter;
    Items operands;
  } cases[] = {
      {{"/s"}, 's', {}},
      {{"-S"}, 's', {}},
      {{"/p:1234"}, 'p', {"1234"}},
      {{"/p", "1234"}, 'p', {"1234"}},
      {{"/c:"}, 'c', {""}},
      {{"/x", "C:\\My Movies\\a.swf"}, 'x', {"C:\\My Movies\\a.swf"}},
      {{"/X:a", "b", "c"}, 'x', {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const std::optional<Switch> parsed = parseSwitch(c.arguments);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->letter, c.letter);
    EXPECT_EQ(parsed->operands, c.operands);
  }
}

TEST(Switch, AnythingElseIsNone) {
  for (const Items& arguments :
       {Items{}, Items{""}, Items{"/"}, Items{"-"}, Items{"//"}, Items{"/ab"}, Items{"/1"},
        Items{"/@"}, Items{"/["}, Items{"s"}, Items{"x", "/s"}, Items{"\\s"}}) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_FALSE(parseSwitch(arguments).has_value());
  }
}

}  // namespace
}  // namespace pravix::stub
