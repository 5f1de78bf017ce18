// The test driver: processes, windows and message boxes through plain Win32 calls.
#include "tests/e2e/Driver.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace pravix::e2e {
namespace {

constexpr DWORD kPollMs = 50;

struct WindowQuery {
  DWORD processId;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<WindowQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == query->processId && IsWindowVisible(window) &&
      (query->className == nullptr || className(window) == query->className)) {
    query->found.push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

}  // namespace

Process::Process(const std::string& commandLine, const std::string& directory) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    throw std::runtime_error("cannot start " + commandLine);
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  id_ = info.dwProcessId;
  WaitForInputIdle(info.hProcess, kTimeoutMs);
}

Process::~Process() {
  if (process_ && running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), kTimeoutMs);
  }
}

bool Process::waitForExit(DWORD milliseconds) {
  return WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD Process::exitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

DWORD runToEnd(const std::string& commandLine, const std::string& directory) {
  Process process(commandLine, directory);
  process.waitForExit();
  return process.exitCode();
}

std::vector<HWND> topLevelWindows(DWORD processId, const char* className) {
  WindowQuery query{processId, className, {}};
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND waitForWindow(DWORD processId, const char* className, DWORD milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    const auto windows = topLevelWindows(processId, className);
    if (!windows.empty()) return windows.front();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  } while (std::chrono::steady_clock::now() < deadline);
  return nullptr;
}

std::string windowText(HWND window) {
  const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const auto copied =
      SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

MessageBoxContents readMessageBox(HWND box) {
  MessageBoxContents contents;
  contents.caption = windowText(box);
  std::vector<HWND> children;
  EnumChildWindows(box, collectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    const std::string kind = className(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (kind == "Button") {
      contents.buttons.push_back(windowText(child));
    } else if (kind == "Static" && GetDlgCtrlID(child) == 0xFFFF) {
      contents.text = windowText(child);
    } else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON &&
               SendMessageA(child, STM_GETICON, 0, 0) != 0) {
      contents.hasIcon = true;
    }
  }
  return contents;
}

void pressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(kPollMs);
}

std::string windowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace pravix::e2e
