// The window styles a live control of each kind must carry, before its table entry's own: written
// out here, apart from the builder that creates the controls.
#pragma once

#include <windows.h>

#include "ui/Layout.h"

namespace pravix::e2e {

inline DWORD expectedStyle(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel:
      return WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    case ControlKind::GroupBox:
      return WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
    case ControlKind::Button:
      return WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::Label:
      return WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    case ControlKind::Edit:
      return WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
    case ControlKind::Picture:
      return WS_CHILD | WS_VISIBLE | SS_ICON;
    case ControlKind::Bevel:
      return WS_CHILD | WS_VISIBLE;
  }
  return 0;
}

}  // namespace pravix::e2e
