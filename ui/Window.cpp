// The window base: class registration, creation, message forwarding, the handler tables and the
// modal showing.
#include "ui/Window.h"

#include <commctrl.h>

#include "platform/System.h"
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

void registerFormClass(HINSTANCE instance, const char* name, WNDPROC procedure, HICON icon) {
  if (!registerWindowClass(instance, {name, procedure, LoadCursor(nullptr, IDC_ARROW),
                                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon})) {
    throwLastError(std::string("Cannot register the window class ") + name);
  }
}

GdiObject createFormFont(int points, bool underline) {
  return createFont(kFormFontFace, points, FontUnit::Points, FW_NORMAL, underline);
}

Window::~Window() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

void Window::show() {
  ShowWindow(handle_, SW_SHOWNORMAL);
  UpdateWindow(handle_);
}

void Window::showModal(HWND owner) {
  EnableWindow(owner, FALSE);
  show();
  modal_ = true;
  application_.dispatchMessages(*this, modal_);
  // The owner is enabled before the window goes, so that it, not another program, is activated.
  EnableWindow(owner, TRUE);
  ShowWindow(handle_, SW_HIDE);
  SetActiveWindow(owner);
}

void Window::create(const char* className, HICON icon, DWORD style, DWORD exStyle,
                    const RECT& bounds, HMENU menu, HWND owner) {
  HINSTANCE instance = application_.instance();
  registerFormClass(instance, className, windowProc, icon);
  if (CreateWindowExA(exStyle, className, "", style, bounds.left, bounds.top,
                      bounds.right - bounds.left, bounds.bottom - bounds.top, owner, menu, instance,
                      this) == nullptr) {
    throwLastError(std::string("Cannot create the window ") + className);
  }
}

void Window::connectControls() {
  EnumChildWindows(handle_, connectControl, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK Window::connectControl(HWND control, LPARAM window) {
  auto* self = reinterpret_cast<Window*>(window);
  const int id = GetDlgCtrlID(control);
  for (const Handler& row : self->handlers()) {
    if (row.id == id && (row.event == Event::MouseMove || row.event == Event::MouseLeave)) {
      SetWindowSubclass(control, controlProc, static_cast<UINT_PTR>(id),
                        reinterpret_cast<DWORD_PTR>(self));
      break;
    }
  }
  return TRUE;
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
  // A modal window only hides when closed; the object stays for the next showing.
  if (message == WM_CLOSE && modal_) {
    endModal();
    return 0;
  }
  // What a dialog window does when the dialog keys move the focus: to the control named, or to
  // the next (or previous) one that Tab stops at, its text selected as Tab selects it.
  if (message == WM_NEXTDLGCTL) {
    HWND next = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                    : GetNextDlgTabItem(handle_, GetFocus(), wParam != 0);
    if (next == nullptr) return 0;
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
      SendMessageA(next, EM_SETSEL, 0, -1);
    }
    SetFocus(next);
    return 0;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void Window::keepFocus(WPARAM activation, HWND first) {
  if (LOWORD(activation) == WA_INACTIVE) {
    focus_ = GetFocus();
  } else {
    SetFocus(focus_ != nullptr && IsChild(handle_, focus_) ? focus_ : first);
  }
}

LRESULT Window::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    // Menu items and accelerators come without a control. A control's command counts only as a
    // click (BN_CLICKED and STN_CLICKED are the same code), and only from a control of this window.
    const auto control = reinterpret_cast<HWND>(lParam);
    const int id = LOWORD(wParam);
    if (control == nullptr ? runHandler(Event::Menu, id)
                           : HIWORD(wParam) == BN_CLICKED && IsChild(handle_, control) &&
                                 runHandler(Event::Click, id)) {
      return 0;
    }
  }
  return onMessage(message, wParam, lParam);
}

bool Window::runHandler(Event event, int id) {
  for (const Handler& row : handlers()) {
    if (row.event == event && row.id == id) {
      (this->*row.run)();
      return true;
    }
  }
  return false;
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
  self->application_.guarded([&] { result = self->dispatch(message, wParam, lParam); });
  return result;
}

LRESULT CALLBACK Window::controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR window) {
  auto* self = reinterpret_cast<Window*>(window);
  if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE) {
    self->application_.guarded([&] {
      const bool over = message == WM_MOUSEMOVE;
      if (over) {
        // Ask for the leave message, which also comes when the mouse leaves the window.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, control, 0};
        TrackMouseEvent(&track);
      }
      self->runHandler(over ? Event::MouseMove : Event::MouseLeave, static_cast<int>(id));
    });
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, controlProc, id);
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace pravix
