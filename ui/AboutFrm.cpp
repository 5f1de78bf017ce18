// The About box.
#include "ui/AboutFrm.h"

#include <vector>

#include "platform/File.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "resources/ResourceIds.h"
#include "ui/AboutText.h"
#include "ui/Application.h"

namespace pravix {
namespace {

using namespace aboutform;

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyle = WS_EX_DLGMODALFRAME;

// The frame's outer bounds, centred on the monitor of the active window.
RECT centredOnActiveMonitor() {
  return centredWindow(monitorWorkArea(GetActiveWindow()),
                       {TAboutForm::kClientWidth, TAboutForm::kClientHeight}, kFrameStyle,
                       kFrameExStyle, false);
}

std::string thousandsSeparator() {
  char separator[8] = {};
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator) > 0
             ? separator
             : ",";
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
    : Window(application), font_(createFormFont(8)), underlinedFont_(createFormFont(8, true)) {
  create("TAboutForm", nullptr, kFrameStyle, kFrameExStyle, centredOnActiveMonitor(), nullptr,
         application.mainWindow() != nullptr ? application.mainWindow()->handle() : nullptr);
  SetWindowTextA(handle(), "About Pravix");
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_ = buildLayout(handle(), kLayout, static_cast<HFONT>(font_.get()));
  SendMessageA(
      controls_[kImage1], STM_SETICON,
      reinterpret_cast<WPARAM>(LoadImageA(application.instance(), MAKEINTRESOURCEA(IDI_MAIN),
                                          IMAGE_ICON, 32, 32, LR_SHARED)),
      0);
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

void TAboutForm::show() {
  FormShow();
  const RECT bounds = centredOnActiveMonitor();
  SetWindowPos(handle(), nullptr, bounds.left, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Window::show();
  SetFocus(controls_[kButton1]);
}

HandlerTable TAboutForm::handlers() const {
  static const Handler kHandlers[] = {
      on(Event::Click, kButton1, &TAboutForm::Button1Click),
      on(Event::Click, kHttpTo, &TAboutForm::HttpToClick),
      on(Event::MouseMove, kHttpTo, &TAboutForm::HttpToMouseMove),
      on(Event::MouseLeave, kHttpTo, &TAboutForm::HttpToMouseLeave),
      on(Event::Click, kMailTo, &TAboutForm::MailToClick),
      on(Event::MouseMove, kMailTo, &TAboutForm::MailToMouseMove),
      on(Event::MouseLeave, kMailTo, &TAboutForm::MailToMouseLeave),
  };
  return kHandlers;
}

LRESULT TAboutForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
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

void TAboutForm::Button1Click() {
  endModal();
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
