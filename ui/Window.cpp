// The window base: class registration, creation, and message forwarding.
#include "ui/Window.h"

#include "ui/Application.h"

namespace pravix {

GdiObject createFont(int points, int weight, const char* face) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return GdiObject(CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, face));
}

Window::~Window() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

void Window::show() {
  ShowWindow(handle_, SW_SHOWNORMAL);
  UpdateWindow(handle_);
}

void Window::create(const char* className, HICON icon, DWORD style, DWORD exStyle,
                    const RECT& bounds, HMENU menu) {
  HINSTANCE instance = application_.instance();
  WNDCLASSEXA windowClass{};
  if (!GetClassInfoExA(instance, className, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
  }
  CreateWindowExA(exStyle, className, "", style, bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, menu, instance,
                  this);
}

LRESULT Window::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->handle_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  // Exceptions never unwind through the system's frames: every handler runs guarded.
  LRESULT result = 0;
  self->application_.guarded([&] { result = self->onMessage(message, wParam, lParam); });
  return result;
}

}  // namespace pravix
