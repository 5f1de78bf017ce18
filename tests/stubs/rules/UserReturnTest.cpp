// What ends a screen saver's show in the stand-in window: the pointer's tolerance.
#include <gtest/gtest.h>

#include "stubs/rules/UserReturn.h"

namespace pravix::stub {
namespace {

TEST(PointerWatch, AMoveEndsTheShowOnlyBeyondFourPixelsFromWhereThePointerWasFirst) {
  PointerWatch watch;
  EXPECT_FALSE(watch.movedAway(100, 100));  // where the pointer already was
  EXPECT_FALSE(watch.movedAway(104, 96));
  EXPECT_FALSE(watch.movedAway(96, 104));
  EXPECT_TRUE(watch.movedAway(105, 100));
  EXPECT_TRUE(watch.movedAway(100, 95));
  // Measured from the first place, not the last: small steps add up.
  PointerWatch steps;
  for (const int x : {0, 3, 6}) EXPECT_EQ(steps.movedAway(x, 0), x == 6);
}

}  // namespace
}  // namespace pravix::stub
