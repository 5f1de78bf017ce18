// Window classes, fonts and window placement on Win32.
#include "platform/Gui.h"

namespace pravix {

bool registerWindowClass(HINSTANCE instance, const WindowClass& windowClass) {
  WNDCLASSEXA description{};
  if (GetClassInfoExA(instance, windowClass.name, &description)) return true;
  description.cbSize = sizeof description;
  description.lpfnWndProc = windowClass.procedure;
  description.hInstance = instance;
  description.hIcon = windowClass.icon;
  description.hCursor = windowClass.cursor;
  description.hbrBackground = windowClass.background;
  description.lpszClassName = windowClass.name;
  return RegisterClassExA(&description) != 0;
}

GdiObject createFont(const char* face, int height, FontUnit unit, int weight, bool underline) {
  if (unit == FontUnit::Points) {
    const HDC screen = GetDC(nullptr);
    height = MulDiv(height, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
  }
  // A negative height asks for the characters' height, not the cell's.
  return GdiObject(CreateFontA(-height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
}

RECT desktopArea() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT monitorWorkArea(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcWork;
}

RECT centredWindow(const RECT& area, SIZE client, DWORD style, DWORD exStyle, bool hasMenu) {
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, hasMenu ? TRUE : FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return RECT{left, top, left + width, top + height};
}

}  // namespace pravix
