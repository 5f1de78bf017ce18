// The screen-saver stub: plays its movie full screen through the web player it carries (its
// details where no browser can), shows the details in the preview, or writes the movie out.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Gui.h"
#include "platform/System.h"
#include "stubs/show/BrowserShow.h"
#include "stubs/rules/EmbeddedMovie.h"
#include "stubs/rules/MovieInfo.h"
#include "stubs/show/StubProgram.h"
#include "stubs/rules/Switch.h"
#include "stubs/rules/UserReturn.h"

namespace {

using namespace pravix;
using namespace pravix::stub;

constexpr const char* kCaption = "Pravix Screen Saver";
constexpr const char* kWindowClass = "PravixScreenSaverWindow";
constexpr const char* kSwitches = "[/s | /p HWND | /c[:HWND] | /x PATH]";
// How often the preview looks for its parent window, in milliseconds.
constexpr UINT kParentCheckMs = 250;

struct SaverState {
  std::string text;
  bool preview = false;
  HWND parent = nullptr;
  PointerWatch pointer;
};

SaverState* stateOf(HWND window) {
  return reinterpret_cast<SaverState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void paint(HWND window, const SaverState& state) {
  PAINTSTRUCT painting{};
  const HDC dc = BeginPaint(window, &painting);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  // The preview is a few dozen pixels high and the full screen may span several monitors.
  const int clientHeight = client.bottom - client.top;
  const int fontHeight = state.preview ? std::max(8, clientHeight / 8)
                                       : std::max(16, GetSystemMetrics(SM_CYSCREEN) / 30);
  const GdiObject font = createFont("Arial", fontHeight, FontUnit::Pixels);
  const HGDIOBJ previousFont = font ? SelectObject(dc, font.get()) : nullptr;
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);

  // On the full screen the text sits in the middle of the primary monitor, not of the span.
  RECT area = client;
  if (!state.preview) {
    area.left = -GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = -GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + GetSystemMetrics(SM_CXSCREEN);
    area.bottom = area.top + GetSystemMetrics(SM_CYSCREEN);
  }
  RECT measured = area;
  const UINT format = DT_CENTER | DT_NOPREFIX | DT_WORDBREAK;
  DrawTextA(dc, state.text.c_str(), -1, &measured, format | DT_CALCRECT);
  const int textHeight = measured.bottom - measured.top;
  RECT placed = area;
  placed.top = area.top + std::max<LONG>(0, (area.bottom - area.top - textHeight) / 2);
  DrawTextA(dc, state.text.c_str(), -1, &placed, format);

  if (previousFont != nullptr) SelectObject(dc, previousFont);
  EndPaint(window, &painting);
}

// The input that ends the show (UserReturn.h) that a message brings, if any.
std::optional<UserInput> inputOf(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return UserInput::Key;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      return UserInput::Button;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      return UserInput::Wheel;
    default:
      return std::nullopt;
  }
}

// Ends the full-screen saver once the user is back: any of those inputs, or a real mouse move.
bool userIsBack(SaverState& state, UINT message, LPARAM lParam) {
  if (inputOf(message)) return true;
  return message == WM_MOUSEMOVE && state.pointer.movedAway(static_cast<short>(LOWORD(lParam)),
                                                            static_cast<short>(HIWORD(lParam)));
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  SaverState* state = stateOf(window);
  if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);

  if (!state->preview && userIsBack(*state, message, lParam)) {
    DestroyWindow(window);
    return 0;
  }
  switch (message) {
    case WM_PAINT:
      paint(window, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole client area; erasing first would flicker.
    case WM_SETCURSOR:
      if (state->preview) break;
      SetCursor(nullptr);
      return TRUE;
    case WM_SYSCOMMAND:
      // A second screen saver must not start over this one.
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::optional<EmbeddedMovie> ownMovie() {
  std::string problem;
  return EmbeddedMovie::open(executablePath(), Package::ScreenSaver, problem);
}

// What the stand-in shows of the movie.
std::string movieText(const std::optional<EmbeddedMovie>& movie, Detail detail) {
  if (!movie) return detail == Detail::Brief ? "No movie" : "This screen saver holds no movie.";
  return describeMovie(movie->length(), movie->header(), detail);
}

bool registerSaverClass(HINSTANCE instance) {
  return registerWindowClass(instance,
                             {kWindowClass, windowProcedure, LoadCursor(nullptr, IDC_ARROW),
                              static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))});
}

// Runs until the window is gone. `parent`, when given, is watched too: it lives in another
// process, which may end without destroying it or us, and then no message ever comes to tell.
int runMessageLoop(HWND window, HWND parent = nullptr) {
  // A timer of the thread, not of the window: it outlives a window destroyed with its parent.
  const UINT_PTR timer = parent != nullptr ? SetTimer(nullptr, 0, kParentCheckMs, nullptr) : 0;
  MSG message{};
  int result = EXIT_SUCCESS;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer &&
        (!IsWindow(parent) || !IsWindow(window))) {
      break;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (message.message == WM_QUIT) result = static_cast<int>(message.wParam);
  if (timer != 0) KillTimer(nullptr, timer);
  return result;
}

// Adds the area of `monitor`, unless it is the primary one, to the rectangles at `others`.
BOOL CALLBACK addOtherMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM others) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0) {
    reinterpret_cast<std::vector<RECT>*>(others)->push_back(info.rcMonitor);
  }
  return TRUE;
}

// Black windows over every monitor but the primary one, whose screen the browser covers; input on
// any of them ends the show as it ends the stand-in's, through the message loop's WM_QUIT.
std::vector<HWND> coverOtherMonitors(HINSTANCE instance, std::deque<SaverState>& states) {
  std::vector<RECT> others;
  EnumDisplayMonitors(nullptr, nullptr, addOtherMonitor, reinterpret_cast<LPARAM>(&others));
  std::vector<HWND> windows;
  for (const RECT& area : others) {
    SaverState& state = states.emplace_back();
    const HWND window =
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, kCaption,
                        WS_POPUP | WS_VISIBLE, area.left, area.top, area.right - area.left,
                        area.bottom - area.top, nullptr, nullptr, instance, &state);
    if (window != nullptr) windows.push_back(window);
  }
  return windows;
}

// Handles the messages that wait; false once the loop is asked to quit.
bool handleMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return true;
}

// The movie full screen in Edge or Chrome, as the projector plays it, the other monitors black;
// without either (or without a movie), the stand-in: the movie's details in a window over every
// monitor.
int showFullScreen(HINSTANCE instance) {
  const std::optional<EmbeddedMovie> movie = ownMovie();
  if (!registerSaverClass(instance)) return EXIT_FAILURE;
  if (movie) {
    std::deque<SaverState> states;
    const std::vector<HWND> covers = coverOtherMonitors(instance, states);
    const ShowOutcome shown =
        showInBrowser(*movie, ownFace(programTitle(".scr")), PageMode::FullScreen, handleMessages);
    for (HWND cover : covers) {
      if (IsWindow(cover)) DestroyWindow(cover);
    }
    if (shown.kind == ShowOutcome::Kind::Shown) return kExitWritten;
    handleMessages();  // the covers' last messages, their WM_QUIT among them
  }
  SaverState state;
  state.text = movieText(movie, Detail::Full);
  const HWND window =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, kCaption,
                      WS_POPUP | WS_VISIBLE, GetSystemMetrics(SM_XVIRTUALSCREEN),
                      GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr, instance, &state);
  if (window == nullptr) return EXIT_FAILURE;
  SetForegroundWindow(window);
  return runMessageLoop(window);
}

int showPreview(HINSTANCE instance, HWND parent) {
  SaverState state;
  state.text = movieText(ownMovie(), Detail::Brief);
  state.preview = true;
  state.parent = parent;
  RECT area{};
  GetClientRect(parent, &area);
  if (!registerSaverClass(instance)) return EXIT_FAILURE;
  const HWND window = CreateWindowExA(0, kWindowClass, kCaption, WS_CHILD | WS_VISIBLE, 0, 0,
                                      area.right - area.left, area.bottom - area.top, parent,
                                      nullptr, instance, &state);
  if (window == nullptr) return EXIT_FAILURE;
  return runMessageLoop(window, parent);
}

int configure(HWND owner) {
  MessageBoxA(owner, "This screen saver has no settings.", kCaption, MB_OK | MB_ICONINFORMATION);
  return kExitWritten;
}

// The window handle Windows passes in decimal after "/p" and "/c:"; nothing when it is not one.
std::optional<HWND> windowOperand(const std::vector<std::string>& operands) {
  if (operands.empty() || operands.front().empty()) return std::nullopt;
  const std::string& text = operands.front();
  if (text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  const auto window = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
  if (!IsWindow(window)) return std::nullopt;
  return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::vector<std::string> arguments = programArguments();
  // Windows starts a screen saver without arguments when the user asks to configure it.
  if (arguments.empty()) return configure(nullptr);
  const std::optional<Switch> command = parseSwitch(arguments);
  if (!command) return badUsage(kSwitches);
  switch (command->letter) {
    case 's':
      return showFullScreen(instance);
    case 'p': {
      const std::optional<HWND> parent = windowOperand(command->operands);
      if (parent) return showPreview(instance, *parent);
      printError(programName() + ": /p needs the handle of an existing window");
      return kExitUsage;
    }
    case 'c':
      return configure(windowOperand(command->operands).value_or(nullptr));
    case 'a':
      return kExitWritten;  // Old systems ask for a password change; there is no password.
    case 'x':
      return extractOwnMovie(Package::ScreenSaver, command->operands);
    default:
      return badUsage(kSwitches);
  }
}
