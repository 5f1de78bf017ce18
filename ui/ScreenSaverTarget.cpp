// The rule for the installed screen saver's place.
#include "ui/ScreenSaverTarget.h"

namespace pravix {

ScreenSaverFolder screenSaverFolder(bool wow64, bool systemFolderDenied) {
  return wow64 || systemFolderDenied ? ScreenSaverFolder::User : ScreenSaverFolder::System;
}

}  // namespace pravix
