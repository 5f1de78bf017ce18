// The layout builder: controls from a table, labels measured, panels painted.
#include "ui/Layout.h"

#include <string>

#include "platform/System.h"

namespace pravix {
namespace {

const ControlSpec* findSpec(const ControlSpec* layout, size_t count, int id) {
  for (size_t i = 0; i < count; ++i) {
    if (layout[i].id == id) return &layout[i];
  }
  return nullptr;
}

// The window a control really lives on, and its offset there: group boxes are only frames, so
// their controls live on the group's parent.
struct Host {
  HWND window;
  int dx, dy;
};

Host hostOf(const ControlSpec& entry, const ControlSpec* layout, size_t count, HWND window,
            const Controls& controls) {
  Host host{window, 0, 0};
  int parentId = entry.parentId;
  bool placed = false;
  while (parentId != 0) {
    const ControlSpec* parent = findSpec(layout, count, parentId);
    if (parent == nullptr) break;
    if (parent->kind == ControlKind::GroupBox && !placed) {
      host.dx += parent->left;
      host.dy += parent->top;
    } else if (!placed) {
      host.window = controls[parent->id];
      placed = true;
    }
    parentId = parent->parentId;
  }
  return host;
}

const char* windowClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return kPanelClassName;
    case ControlKind::GroupBox:
    case ControlKind::Button:
      return "BUTTON";
    case ControlKind::Edit:
      return "EDIT";
    case ControlKind::Bevel:
      return kBevelClassName;
    case ControlKind::Label:
    case ControlKind::FieldLabel:
    case ControlKind::Picture:
      return "STATIC";
  }
  return "STATIC";
}

// The text a label shows: a field's label without the "&" that marks its key ("&&" shows one).
std::string shownText(ControlKind kind, const char* text) {
  std::string shown;
  for (const char* c = text; *c != '\0'; ++c) {
    if (kind == ControlKind::FieldLabel && *c == '&' && *++c == '\0') break;
    shown += *c;
  }
  return shown;
}

SIZE textSize(HWND window, HFONT font, const char* text) {
  HDC dc = GetDC(window);
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{};
  const std::string line = text;
  GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  size.cy = metrics.tmHeight;
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return size;
}

// Paints a window as an edge of its client area.
void paintEdge(HWND window, UINT edge, UINT sides) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  RECT bounds{};
  GetClientRect(window, &bounds);
  DrawEdge(dc, &bounds, edge, sides);
  EndPaint(window, &paint);
}

LRESULT CALLBACK panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paintEdge(panel, BDR_RAISEDINNER, BF_RECT);
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      // The window that owns the layout handles what its controls report.
      return SendMessageA(GetParent(panel), message, wParam, lParam);
    default:
      return DefWindowProcA(panel, message, wParam, lParam);
  }
}

// A bevel draws one etched line along its top edge, whatever its height; a static control's etched
// line would take the control's size from the system instead.
LRESULT CALLBACK bevelProc(HWND bevel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(bevel, message, wParam, lParam);
  paintEdge(bevel, EDGE_ETCHED, BF_TOP);
  return 0;
}

}  // namespace

const char kPanelClassName[] = "TPanel";
const char kBevelClassName[] = "TBevel";

void setLabelText(HWND label, const char* text) {
  const SIZE size =
      textSize(label, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), text);
  SetWindowTextA(label, text);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string controlText(HWND control) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

COLORREF textColourOf(const ControlSpec* layout, size_t count, int id) {
  const ControlSpec* entry = findSpec(layout, count, id);
  return entry == nullptr ? kDefaultColour : entry->textColour;
}

HWND Controls::operator[](int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

DWORD baseStyle(ControlKind kind) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::Panel:
      return kChild | WS_CLIPSIBLINGS;
    case ControlKind::GroupBox:
      return kChild | BS_GROUPBOX;
    case ControlKind::Button:
      return kChild | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::Label:
      return kChild | SS_LEFT | SS_NOPREFIX;
    case ControlKind::FieldLabel:
      return kChild | SS_LEFT;
    case ControlKind::Edit:
      return kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
    case ControlKind::Picture:
      return kChild | SS_ICON;
    case ControlKind::Bevel:
      return kChild;
  }
  return kChild;
}

Controls buildLayout(HWND window, const ControlSpec* layout, size_t count, HFONT font) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  registerFormClass(instance, kPanelClassName, panelProc);
  registerFormClass(instance, kBevelClassName, bevelProc);
  Controls controls;
  for (size_t i = 0; i < count; ++i) {
    const ControlSpec& entry = layout[i];
    const Host host = hostOf(entry, layout, count, window, controls);
    HFONT controlFont = font;
    if (entry.fontPixels != 0) {
      GdiObject own = createFont(kFormFontFace, entry.fontPixels, FontUnit::Pixels,
                                 entry.bold ? FW_BOLD : FW_NORMAL);
      controlFont = static_cast<HFONT>(own.get());
      controls.keep(std::move(own));
    }
    int width = entry.width;
    int height = entry.height;
    if (entry.kind == ControlKind::Label || entry.kind == ControlKind::FieldLabel) {
      const SIZE size = textSize(window, controlFont, shownText(entry.kind, entry.text).c_str());
      width = size.cx;
      height = size.cy;
    }
    const DWORD exStyle = entry.kind == ControlKind::Panel ? WS_EX_CONTROLPARENT : 0;
    HWND control = CreateWindowExA(
        exStyle, windowClass(entry.kind), entry.text, baseStyle(entry.kind) | entry.style,
        entry.left + host.dx, entry.top + host.dy, width, height, host.window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
    if (control == nullptr) throwLastError(std::string("Cannot create the control ") + entry.name);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont), FALSE);
    controls.add(entry.id, control);
  }
  return controls;
}

}  // namespace pravix
