// The test driver: processes, windows and message boxes through plain Win32 calls.
#include "tests/e2e/Driver.h"

#include <tlhelp32.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace pravix::e2e {
namespace {

constexpr DWORD kPollMs = 50;

struct WindowQuery {
  DWORD processId;
  const char* className;
  bool hiddenToo;
  std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<WindowQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == query->processId && (query->hiddenToo || IsWindowVisible(window)) &&
      (query->className == nullptr || className(window) == query->className)) {
    query->found.push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

HWND waitForDialog(DWORD processId, DWORD milliseconds, bool openDialog) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        for (HWND dialog : topLevelWindows(processId, "#32770")) {
          const bool isOpenDialog = fileNameBox(dialog) != nullptr;
          const bool isMessageBox = GetDlgItem(dialog, 0xFFFF) != nullptr;
          if (openDialog ? isOpenDialog : isMessageBox && !isOpenDialog) {
            found = dialog;
            return true;
          }
        }
        return false;
      },
      milliseconds);
  return found;
}

// Throws when the window is still shown after the timeout: the test fails with the reason.
void waitUntilGone(HWND window) {
  if (!waitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); })) {
    throw std::runtime_error("the window \"" + windowText(window) + "\" is still shown");
  }
}

}  // namespace

Process::Process(const std::string& commandLine, const std::string& directory, bool keepOutput) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  FileHandle nul;
  if (!keepOutput) {
    nul.reset(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherited, OPEN_EXISTING, 0, nullptr));
    if (!nul) throw std::runtime_error("cannot open NUL");
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
  }
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, !keepOutput, 0, nullptr,
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
  Process process(commandLine, directory, true);
  process.waitForExit();
  return process.exitCode();
}

std::vector<HWND> topLevelWindows(DWORD processId, const char* className, bool hiddenToo) {
  WindowQuery query{processId, className, hiddenToo, {}};
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND waitForWindow(DWORD processId, const char* className, DWORD milliseconds) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        const auto windows = topLevelWindows(processId, className);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      milliseconds);
  return found;
}

HWND waitForChild(HWND parent, const char* className, DWORD milliseconds) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        found = FindWindowExA(parent, nullptr, className, nullptr);
        return found != nullptr;
      },
      milliseconds);
  return found;
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
  waitUntilGone(box);
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

HWND fileNameBox(HWND dialog) {
  // Explorer-style dialogs name the box 0x47c (cmb13); older ones use the edit 0x480 (edt1).
  for (const int id : {0x47c, 0x480}) {
    if (HWND box = GetDlgItem(dialog, id)) return box;
  }
  return nullptr;
}

HWND waitForOpenDialog(DWORD processId, DWORD milliseconds) {
  return waitForDialog(processId, milliseconds, true);
}

HWND waitForMessageBox(DWORD processId, DWORD milliseconds) {
  return waitForDialog(processId, milliseconds, false);
}

void chooseInOpenDialog(HWND dialog, const std::string& path) {
  SendMessageA(fileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  acceptOpenDialog(dialog);
}

void acceptOpenDialog(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  waitUntilGone(dialog);
}

void cancelDialog(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  waitUntilGone(dialog);
}

void clickButton(HWND button) {
  // Posted: the click may open a modal loop that would hold a sent message until it ends.
  PostMessageA(button, BM_CLICK, 0, 0);
}

void menuCommand(HWND window, int commandId) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

HWND focusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void pressKey(HWND window, WORD virtualKey) {
  HWND focus = focusedControl(window);
  pressKeyOn(focus != nullptr ? focus : window, virtualKey);
}

void pressKeyOn(HWND target, WORD virtualKey) {
  const UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | static_cast<LPARAM>(scanCode) << 16);
  PostMessageA(target, WM_KEYUP, virtualKey,
               1 | static_cast<LPARAM>(scanCode) << 16 | LPARAM{3} << 30);
}

namespace {

// When a process started, or 0 when it is gone.
uint64_t startTime(DWORD processId) {
  KernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!process || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return 0;
  return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

}  // namespace

std::vector<DWORD> childProcesses(DWORD parentId) {
  std::vector<DWORD> children;
  const uint64_t parentStart = startTime(parentId);
  if (parentStart == 0) return children;
  // A snapshot fails as INVALID_HANDLE_VALUE, as files do.
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return children;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    // Process ids are reused: an orphan of an earlier process that had the parent's id names it
    // as its parent too, but started before it.
    if (entry.th32ParentProcessID == parentId && startTime(entry.th32ProcessID) >= parentStart) {
      children.push_back(entry.th32ProcessID);
    }
  }
  return children;
}

void endProcess(DWORD processId) {
  KernelObject process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (!process) return;
  TerminateProcess(process.get(), 1);
  WaitForSingleObject(process.get(), kTimeoutMs);
}

void endProcessTree(DWORD processId) {
  for (const DWORD child : childProcesses(processId)) endProcessTree(child);
  endProcess(processId);
}

bool responsive(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

RECT boundsIn(HWND control, HWND reference) {
  RECT bounds{};
  GetWindowRect(control, &bounds);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

std::string windowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace pravix::e2e
