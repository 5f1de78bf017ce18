// The About box.
#include "ui/AboutFrm.h"

#include <commctrl.h>

#include <vector>

#include "platform/File.h"
#include "resources/ResourceIds.h"
#include "ui/AboutText.h"
#include "ui/Application.h"
#include "ui/Shell.h"
#include "platform/System.h"

namespace pravix {
namespace {

using namespace aboutform;

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyle = WS_EX_DLGMODALFRAME;

// The frame's outer bounds for the client size, centred on the monitor of the active window.
RECT centredOnMonitor(int clientWidth, int clientHeight) {
  RECT bounds{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&bounds, kFrameStyle, FALSE, kFrameExStyle);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(GetActiveWindow(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  const int left = screen.left + (screen.right - screen.left - width) / 2;
  const int top = screen.top + (screen.bottom - screen.top - height) / 2;
  return RECT{left, top, left + width, top + height};
}

std::string thousandsSeparator() {
  char separator[8] = {};
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator) > 0
             ? separator
             : ",";
}

GdiObject underlinedCopy(HGDIOBJ font) {
  LOGFONTA description{};
  GetObjectA(font, sizeof description, &description);
  description.lfUnderline = TRUE;
  return GdiObject(CreateFontIndirectA(&description));
}

}  // namespace

bool GetExeVersion(const std::string& fileName, unsigned& major, unsigned& minor, unsigned& release,
                   unsigned& build) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> block(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof *fixed) {
    return false;
  }
  major = HIWORD(fixed->dwFileVersionMS);
  minor = LOWORD(fixed->dwFileVersionMS);
  release = HIWORD(fixed->dwFileVersionLS);
  build = LOWORD(fixed->dwFileVersionLS);
  return true;
}

TAboutForm::TAboutForm(Application& application)
    : Window(application), font_(createFont(8)), underlinedFont_(underlinedCopy(font_.get())) {
  create("TAboutForm", nullptr, kFrameStyle, kFrameExStyle,
         centredOnMonitor(kClientWidth, kClientHeight), nullptr,
         application.mainWindow() != nullptr ? application.mainWindow()->handle() : nullptr);
  SetWindowTextA(handle(), "About Pravix");
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_ = buildLayout(handle(), kLayout, static_cast<HFONT>(font_.get()));
  SendMessageA(
      controls_[kImage1], STM_SETICON,
      reinterpret_cast<WPARAM>(LoadImageA(application.instance(), MAKEINTRESOURCEA(IDI_MAIN),
                                          IMAGE_ICON, 32, 32, LR_SHARED)),
      0);
  for (const int link : {kHttpTo, kMailTo}) {
    SetWindowSubclass(controls_[link], linkProc, static_cast<UINT_PTR>(link),
                      reinterpret_cast<DWORD_PTR>(this));
  }
}

void TAboutForm::FormCreate() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  setLabelText(controls_[kPhysMem],
               kilobytesText(memory.ullTotalPhys, thousandsSeparator()).c_str());
  setLabelText(controls_[kFreeRes], memoryLoadText(memory.dwMemoryLoad).c_str());
}

void TAboutForm::FormShow() {
  unsigned major = 0, minor = 0, release = 0, build = 0;
  if (GetExeVersion(executablePath(), major, minor, release, build)) {
    setLabelText(controls_[kLabelVersion], versionText(major, minor, build).c_str());
  }
}

void TAboutForm::showModal(HWND owner) {
  FormShow();
  const RECT bounds = centredOnMonitor(kClientWidth, kClientHeight);
  SetWindowPos(handle(), nullptr, bounds.left, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EnableWindow(owner, FALSE);
  ShowWindow(handle(), SW_SHOWNORMAL);
  SetFocus(controls_[kButton1]);

  modal_ = true;
  MSG message{};
  bool quit = false;
  while (modal_) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (!preTranslateMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  // The owner is enabled before the box goes, so that it, not another program, is activated.
  EnableWindow(owner, TRUE);
  ShowWindow(handle(), SW_HIDE);
  SetActiveWindow(owner);
  if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

LRESULT TAboutForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kButton1:
          Button1Click();
          return 0;
        case kHttpTo:
          if (HIWORD(wParam) == STN_CLICKED) HttpToClick();
          return 0;
        case kMailTo:
          if (HIWORD(wParam) == STN_CLICKED) MailToClick();
          return 0;
      }
      break;
    case WM_CLOSE:
      // Closing only hides the box; the object stays for the next opening.
      modal_ = false;
      return 0;
    case WM_CTLCOLORSTATIC: {
      const COLORREF colour =
          textColourOf(kLayout, std::size(kLayout), GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (colour == kDefaultColour) break;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, colour);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
      if (id == kHttpTo || id == kMailTo) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
  }
  return Window::onMessage(message, wParam, lParam);
}

LRESULT CALLBACK TAboutForm::linkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR form) {
  auto* self = reinterpret_cast<TAboutForm*>(form);
  if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE) {
    self->application().guarded([&] {
      const bool over = message == WM_MOUSEMOVE;
      if (over) {
        // Ask for the leave message, which also comes when the mouse leaves the box.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, link, 0};
        TrackMouseEvent(&track);
      }
      if (id == kHttpTo) {
        over ? self->HttpToMouseMove() : self->HttpToMouseLeave();
      } else {
        over ? self->MailToMouseMove() : self->MailToMouseLeave();
      }
    });
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(link, linkProc, id);
  }
  return DefSubclassProc(link, message, wParam, lParam);
}

void TAboutForm::Button1Click() {
  modal_ = false;
}

void TAboutForm::HttpToClick() {
  openWebAddress(handle(), PRAVIX_WEB_URL_BARE);
}

void TAboutForm::MailToClick() {
  openMailAddress(handle(), PRAVIX_MAIL);
}

void TAboutForm::HttpToMouseMove() {
  setUnderlined(kHttpTo, true);
}
void TAboutForm::HttpToMouseLeave() {
  setUnderlined(kHttpTo, false);
}
void TAboutForm::MailToMouseMove() {
  setUnderlined(kMailTo, true);
}
void TAboutForm::MailToMouseLeave() {
  setUnderlined(kMailTo, false);
}

void TAboutForm::setUnderlined(int id, bool underlined) {
  HGDIOBJ font = underlined ? underlinedFont_.get() : font_.get();
  if (reinterpret_cast<HGDIOBJ>(SendMessageA(controls_[id], WM_GETFONT, 0, 0)) == font) return;
  SendMessageA(controls_[id], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace pravix
