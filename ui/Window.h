// The base of every window: the window procedure that finds its object, the one place where
// exceptions from event handlers are caught, the handler tables and the modal showing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/Gui.h"
#include "platform/Handle.h"

namespace pravix {

class Application;
class Window;

// The face of the forms' font.
constexpr char kFormFontFace[] = "MS Sans Serif";

// What a row of a form's handler table answers.
enum class Event {
  Click,       // the control was clicked: a button, or a label with SS_NOTIFY
  Menu,        // the menu item was chosen, or its accelerator pressed
  MouseMove,   // the mouse moved over the control
  MouseLeave,  // the mouse left the control
};

// A row of a form's handler table: the event, the id of the control or menu item it comes from
// (never 0: that is no control and no menu item), and the form's handler.
struct Handler {
  Event event;
  int id;
  void (Window::*run)();
};

// A form's handler table; a form without one has no rows.
class HandlerTable {
 public:
  constexpr HandlerTable() = default;
  template <size_t N>
  constexpr HandlerTable(const Handler (&rows)[N]) : rows_(rows), count_(N) {}

  const Handler* begin() const { return rows_; }
  const Handler* end() const { return rows_ + count_; }

 private:
  const Handler* rows_ = nullptr;
  size_t count_ = 0;
};

class Window {
 public:
  explicit Window(Application& application) : application_(application) {}
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_; }
  Application& application() const { return application_; }

  virtual void show();
  // Shows the window over `owner`, which is disabled meanwhile, until endModal or the close box;
  // the window is then hidden and stays for the next time.
  void showModal(HWND owner);
  void endModal() { modal_ = false; }
  // Lets the window take a message before the loop translates and dispatches it: the dialog
  // keys (Tab moves the focus; Enter presses the focused button, and elsewhere a window's button
  // with the id IDOK, Esc its IDCANCEL, where it has them).
  virtual bool preTranslateMessage(MSG& message);
  // Hooks the controls named by the table's mouse rows, which get their mouse messages
  // themselves; once the form has made its controls.
  void connectControls();

 protected:
  // Registers `className` once (with `icon` and the button face colour) and creates the window;
  // throws when either fails.
  void create(const char* className, HICON icon, DWORD style, DWORD exStyle, const RECT& bounds,
              HMENU menu, HWND owner = nullptr);
  // The form's handlers; the base runs them for the events of their rows.
  virtual HandlerTable handlers() const { return {}; }
  // Every message that no row of the table took. The base moves the focus as the dialog keys ask
  // (WM_NEXTDLGCTL: the key of a field's label), and hides a modal window that is closed.
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // For WM_ACTIVATE: remembers the control that has the focus when the window is left, and gives
  // the focus back to it (or to `first`) when the window is activated again.
  void keepFocus(WPARAM activation, HWND first);

 private:
  LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  // Runs the handler of the row for that event and id; false when there is none.
  bool runHandler(Event event, int id);
  // Hooks one control, each of the window's controls in turn (EnumChildWindows).
  static BOOL CALLBACK connectControl(HWND control, LPARAM window);
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR window);

  Application& application_;
  HWND handle_ = nullptr;
  bool modal_ = false;
  HWND focus_ = nullptr;  // the control that had the focus when the window was last left
};

// A row of a form's handler table, for a handler of the form.
template <typename Form>
Handler on(Event event, int id, void (Form::*run)()) {
  return Handler{event, id, static_cast<void (Window::*)()>(run)};
}

// Registers a window class of the program's windows and controls: arrow cursor, the button face
// colour behind; throws when the system refuses.
void registerFormClass(HINSTANCE instance, const char* name, WNDPROC procedure,
                       HICON icon = nullptr);

// The forms' font at `points` points.
GdiObject createFormFont(int points, bool underline = false);

}  // namespace pravix
