// The window base: class registration, creation, and message forwarding.
#include "ui/Window.h"

#include "ui/Application.h"

namespace pravix {
namespace {

bool isPushButton(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  const LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiA(name, "Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

}  // namespace

void registerWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, HICON icon) {
  WNDCLASSEXA windowClass{};
  if (GetClassInfoExA(instance, name, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = name;
  RegisterClassExA(&windowClass);
}

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
                    const RECT& bounds, HMENU menu, HWND owner) {
  HINSTANCE instance = application_.instance();
  registerWindowClass(instance, className, windowProc, icon);
  CreateWindowExA(exStyle, className, "", style, bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top, owner, menu, instance,
                  this);
}

bool Window::preTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
      IsChild(handle_, message.hwnd) && isPushButton(message.hwnd)) {
    SendMessageA(message.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  return IsDialogMessageA(handle_, &message) != FALSE;
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
