// Window layouts as data: a table of controls (kind, id, parent, place, text, style) and the one
// builder that creates a window's controls from its table.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace pravix {

enum class ControlKind {
  Panel,     // a container with a raised one-pixel bevel
  GroupBox,  // a captioned frame; its controls are placed relative to it
  Button,
  Label,  // sizes itself to its text
  // A label naming the control after it in the table, sized as a label: the letter after its "&"
  // is underlined, and Alt with that letter moves the focus to that control.
  FieldLabel,
  Edit,
  Picture,  // an icon: the program's, or one the window sets
  Bevel,    // an etched line along its top edge
};

// The system's colour for the kind of control.
constexpr COLORREF kDefaultColour = CLR_INVALID;

struct ControlSpec {
  ControlKind kind;
  int id;
  const char* name;
  int parentId;  // 0: the window itself
  int left, top, width, height;
  const char* text;
  DWORD style;         // added to the kind's own styles
  int fontPixels = 0;  // 0: the window's font; otherwise kFormFontFace this many pixels high
  bool bold = false;
  COLORREF textColour = kDefaultColour;
};

// Gives a label new text and sizes it to that text, as labels do.
void setLabelText(HWND label, const char* text);

// The text a control shows or holds.
std::string controlText(HWND control);

// The text colour of a control of `layout` with that id, or kDefaultColour.
COLORREF textColourOf(const ControlSpec* layout, size_t count, int id);

// The controls of one window, by id.
class Controls {
 public:
  HWND operator[](int id) const;
  void add(int id, HWND control) { controls_[id] = control; }
  // Keeps a font that a control of the layout uses.
  void keep(GdiObject font) { fonts_.push_back(std::move(font)); }

 private:
  std::map<int, HWND> controls_;
  std::vector<GdiObject> fonts_;
};

// The window class of panels: paints the bevel and passes its controls' notifications up.
extern const char kPanelClassName[];
// The window class of bevels: an etched line along the top edge.
extern const char kBevelClassName[];

// The styles a control of that kind is created with, before the table's own.
DWORD baseStyle(ControlKind kind);

// Creates the controls of `layout` in table order (which is also the tab order) on `window`,
// each with `font`. Group boxes are drawn frames: their controls are created on the group's own
// parent, offset by the group's place.
Controls buildLayout(HWND window, const ControlSpec* layout, size_t count, HFONT font);

template <size_t N>
Controls buildLayout(HWND window, const ControlSpec (&layout)[N], HFONT font) {
  return buildLayout(window, layout, N, font);
}

}  // namespace pravix
