// Where the main window puts the screen saver it installs. Free of Win32 so that the rule is
// checked on every host.
#pragma once

namespace pravix {

enum class ScreenSaverFolder {
  System,  // the Windows system folder, as it always was
  User,    // the user's own folder, %LOCALAPPDATA%\Pravix
};

// The system folder, unless the program cannot truly put the screen saver there: a 32-bit program
// on 64-bit Windows (WOW64) writes into SysWOW64 while the installer is told System32, and a
// standard user may not write the system folder at all. The system's installer takes a screen
// saver from any folder.
ScreenSaverFolder screenSaverFolder(bool wow64, bool systemFolderDenied);

}  // namespace pravix
