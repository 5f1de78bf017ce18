// The base of every window: the window procedure that finds its object, and the one place where
// exceptions from event handlers are caught.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Handle.h"

namespace pravix {

class Application;

// Registers a window class of this program once: arrow cursor, the button face colour behind.
void registerWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                         HICON icon = nullptr);

// "MS Sans Serif" at `points` points for the screen's resolution.
GdiObject createFont(int points, int weight = FW_NORMAL, const char* face = "MS Sans Serif");

class Window {
 public:
  explicit Window(Application& application) : application_(application) {}
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_; }
  Application& application() const { return application_; }

  virtual void show();
  // Lets the window take a message before the loop translates and dispatches it: the dialog
  // keys (Tab moves the focus; Enter presses the focused button, as no button is a default one).
  virtual bool preTranslateMessage(MSG& message);

 protected:
  // Registers `className` once (with `icon` and the button face colour) and creates the window.
  void create(const char* className, HICON icon, DWORD style, DWORD exStyle, const RECT& bounds,
              HMENU menu, HWND owner = nullptr);
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  Application& application_;
  HWND handle_ = nullptr;
};

}  // namespace pravix
