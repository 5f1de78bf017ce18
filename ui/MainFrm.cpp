// The main window's frame and its creation handler.
#include "ui/MainFrm.h"

#include "Version.h"
#include "packaging/GlobalUnit.h"
#include "resources/ResourceIds.h"
#include "ui/Application.h"
#include "ui/CommandLine.h"

namespace pravix {
namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFrameExStyle = 0;

// The frame's outer bounds for the client size, centred on the whole desktop (every monitor).
RECT centredOnDesktop(int clientWidth, int clientHeight, bool hasMenu) {
  RECT bounds{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&bounds, kFrameStyle, hasMenu, kFrameExStyle);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  const int left =
      GetSystemMetrics(SM_XVIRTUALSCREEN) + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2;
  const int top =
      GetSystemMetrics(SM_YVIRTUALSCREEN) + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

}  // namespace

TMainForm::TMainForm(Application& application) : Window(application), font_(createFont(8)) {
  HICON icon = LoadIconA(application.instance(), MAKEINTRESOURCEA(IDI_MAIN));
  create("TMainForm", icon, kFrameStyle, kFrameExStyle,
         centredOnDesktop(kClientWidth, kClientHeight, false), nullptr);
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadImageA(
                   application.instance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
}

void TMainForm::FormCreate() {
  application().setTitle(PRAVIX_TITLE);
  SetWindowTextA(handle(), application().title().c_str());

  const char* line = GetCommandLineA();
  const std::string source = commandLineArgument(line, 1);
  if (const Conversion convert = chooseConversion(source, commandLineArgument(line, 2))) {
    convert(source, std::string());
    application().terminate();
  }
}

LRESULT TMainForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    application().terminate();
    return 0;
  }
  return Window::onMessage(message, wParam, lParam);
}

}  // namespace pravix
