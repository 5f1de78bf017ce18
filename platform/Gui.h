// What the program's windows and the screen saver's window share on Win32: registering a window
// class, making a font, and placing a window in the middle of an area.
#pragma once

#include <windows.h>

#include "platform/Handle.h"

namespace pravix {

struct WindowClass {
  const char* name;
  WNDPROC procedure;
  HCURSOR cursor;
  HBRUSH background;
  HICON icon = nullptr;
};

// Registers the class in `instance`; one already registered there is taken as it is. False when
// the system refuses, with its reason in GetLastError.
bool registerWindowClass(HINSTANCE instance, const WindowClass& windowClass);

enum class FontUnit {
  Pixels,  // the height of the characters, without the leading
  Points,  // for the screen's resolution
};

// A sans-serif font of that face; the system takes a look-alike when the face is missing.
GdiObject createFont(const char* face, int height, FontUnit unit, int weight = FW_NORMAL,
                     bool underline = false);

// The whole desktop, across every monitor.
RECT desktopArea();
// The work area (without the taskbar) of the monitor that shows most of `window`, or of the
// primary monitor.
RECT monitorWorkArea(HWND window);

// The outer bounds of a window with that client size and those styles, centred in `area`.
RECT centredWindow(const RECT& area, SIZE client, DWORD style, DWORD exStyle, bool hasMenu);

}  // namespace pravix
