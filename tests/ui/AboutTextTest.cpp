// The About box's texts: version line, kilobytes with grouping and rounding, memory load.
#include <gtest/gtest.h>

#include "ui/AboutText.h"

namespace pravix {
namespace {

TEST(VersionText, MajorMinorAndBuildWithoutLeadingZeros) {
  EXPECT_EQ(versionText(2, 0, 100), "Version 2.0 (Build 100)");
  EXPECT_EQ(versionText(10, 12, 0), "Version 10.12 (Build 0)");
  EXPECT_EQ(versionText(65535, 65535, 65535), "Version 65535.65535 (Build 65535)");
}

TEST(KilobytesText, RoundsToTheNearestKilobyte) {
  EXPECT_EQ(kilobytesText(0, ","), "0 KB");
  EXPECT_EQ(kilobytesText(511, ","), "0 KB");
  EXPECT_EQ(kilobytesText(512, ","), "1 KB");
  EXPECT_EQ(kilobytesText(1024, ","), "1 KB");
  EXPECT_EQ(kilobytesText(1535, ","), "1 KB");
  EXPECT_EQ(kilobytesText(1536, ","), "2 KB");
}

TEST(KilobytesText, GroupsDigitsInThreesWithTheGivenSeparator) {
  EXPECT_EQ(kilobytesText(999 * 1024, ","), "999 KB");
  EXPECT_EQ(kilobytesText(1000 * 1024, ","), "1,000 KB");
  EXPECT_EQ(kilobytesText(999999 * 1024ull, "."), "999.999 KB");
  EXPECT_EQ(kilobytesText(1000000 * 1024ull, "\xA0"),
            "1\xA0"
            "000\xA0"
            "000 KB");
  EXPECT_EQ(kilobytesText(123456789 * 1024ull, ""), "123456789 KB");
  // The largest 32-bit byte count, and the largest 64-bit one.
  EXPECT_EQ(kilobytesText(0xFFFFFFFFull, ","), "4,194,304 KB");
  EXPECT_EQ(kilobytesText(0xFFFFFFFFFFFFFFFFull, ","), "18,014,398,509,481,984 KB");
}

TEST(MemoryLoadText, NumberBlankPercent) {
  EXPECT_EQ(memoryLoadText(0), "0 %");
  EXPECT_EQ(memoryLoadText(57), "57 %");
  EXPECT_EQ(memoryLoadText(100), "100 %");
}

}  // namespace
}  // namespace pravix
