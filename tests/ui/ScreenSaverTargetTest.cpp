// Where the installed screen saver goes.
#include <gtest/gtest.h>

#include "ui/ScreenSaverTarget.h"

namespace pravix {
namespace {

TEST(ScreenSaverFolder, TheSystemFolderUnlessItRefusesOrWow64WouldRedirectTheWrite) {
  const struct {
    bool wow64;
    bool denied;
    ScreenSaverFolder folder;
  } cases[] = {
      {false, false, ScreenSaverFolder::System},  // a writable system folder
      {false, true, ScreenSaverFolder::User},     // a standard user: access denied
      {true, false, ScreenSaverFolder::User},     // a 32-bit program on 64-bit Windows
      {true, true, ScreenSaverFolder::User},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(screenSaverFolder(c.wow64, c.denied), c.folder) << c.wow64 << c.denied;
  }
}

}  // namespace
}  // namespace pravix
