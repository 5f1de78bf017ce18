// Text between UTF-8 and UTF-16, both ways, and what is neither.
#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

namespace pravix {
namespace {

TEST(Text, Utf8AndUtf16AreTheSameTextBothWays) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"Az~\x7F", u"Az~\x7F"},
      {"\xC2\x80\xC3\xA9\xDF\xBF", {0x80, 0xE9, 0x7FF}},
      {"\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF", {0x800, 0x20AC, 0xFFFF}},
      {"\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
       {0xD800, 0xDC00, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(utf16Of(each.utf8), each.utf16) << each.utf8;
    EXPECT_EQ(utf8Of(each.utf16), each.utf8) << each.utf8;
  }
}

TEST(Text, WhatIsNotUtf8OrNotUtf16IsNothing) {
  for (const char* bad : {"\xC3", "a\x80", "\xC0\xAF", "\xE0\x80\x80", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF"}) {
    EXPECT_EQ(utf16Of(bad), std::nullopt) << bad;
  }
  for (const std::u16string& bad : {std::u16string{0xD800}, std::u16string{0xDC00, 0xD800},
                                    std::u16string{0xD83D, 'a'}, std::u16string{'a', 0xDE00}}) {
    EXPECT_EQ(utf8Of(bad), std::nullopt);
  }
}

}  // namespace
}  // namespace pravix
