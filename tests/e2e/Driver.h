// A small Win32 test driver: starts programs, finds their windows, reads and presses what they
// show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/File.h"

namespace pravix::e2e {

constexpr DWORD kTimeoutMs = 20000;

// A started program; one still running when the object goes is ended. Unless told to keep the
// test's output, the program writes to NUL: what it starts in turn (an installer, an editor) may
// outlive the test and would keep the test's output open, and the test runner waiting for it.
class Process {
 public:
  Process(const std::string& commandLine, const std::string& directory, bool keepOutput = false);
  ~Process();
  Process(Process&&) = default;

  DWORD id() const { return id_; }
  bool waitForExit(DWORD milliseconds = kTimeoutMs);
  bool running() { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  DWORD exitCode() const;

 private:
  KernelObject process_;
  DWORD id_ = 0;
};

// Runs a console program to its end and gives its exit code (or STILL_ACTIVE after the timeout).
DWORD runToEnd(const std::string& commandLine, const std::string& directory);

// The visible top-level windows of a process, optionally of one class; hidden ones too on request.
std::vector<HWND> topLevelWindows(DWORD processId, const char* className = nullptr,
                                  bool hiddenToo = false);

// Waits for a visible top-level window of the process with that class; nullptr after the timeout.
HWND waitForWindow(DWORD processId, const char* className, DWORD milliseconds = kTimeoutMs);
// Waits for a child window of that class in `parent`, which may come from another process;
// nullptr after the timeout.
HWND waitForChild(HWND parent, const char* className, DWORD milliseconds = kTimeoutMs);

std::string windowText(HWND window);
std::string className(HWND window);

// What a message box shows: caption, text, its buttons' texts, and whether it has an icon.
struct MessageBoxContents {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  bool hasIcon = false;
};
MessageBoxContents readMessageBox(HWND box);

// Presses a message box's OK button and waits until the box is gone. The waits for a window to go
// throw when it is still shown after the timeout.
void pressOk(HWND box);

// Polls `condition` until it holds; false after the timeout.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = kTimeoutMs);

// The open-file dialog's file-name box (a combo box; an edit on older dialogs), or nullptr: a
// message box has none.
HWND fileNameBox(HWND dialog);

// Waits for a visible open-file dialog or message box of the process; nullptr after the timeout.
HWND waitForOpenDialog(DWORD processId, DWORD milliseconds = kTimeoutMs);
HWND waitForMessageBox(DWORD processId, DWORD milliseconds = kTimeoutMs);

// Types `path` into the open-file dialog, presses Open and waits until the dialog is gone.
void chooseInOpenDialog(HWND dialog, const std::string& path);
// Presses Open on what the dialog offers and waits until the dialog is gone.
void acceptOpenDialog(HWND dialog);
// Presses Cancel and waits until the dialog is gone.
void cancelDialog(HWND dialog);

// Clicks a button of another process the way the mouse would, without waiting for what it starts.
void clickButton(HWND button);
// Asks a window for a menu command, without waiting for what it starts.
void menuCommand(HWND window, int commandId);

// The control that has the keyboard focus in the window's thread, or nullptr.
HWND focusedControl(HWND window);
// Presses and releases a key on the control that has the focus in the window's thread, as the
// thread's message loop would receive it from the keyboard.
void pressKey(HWND window, WORD virtualKey);
// The same for a given control, whether or not its window is the active one.
void pressKeyOn(HWND control, WORD virtualKey);

// The processes that `parentId` started and that still run.
std::vector<DWORD> childProcesses(DWORD parentId);
// Ends a process that a test caused to start (one the program under test started for it).
void endProcess(DWORD processId);
// Ends the process and, first, every process it started and theirs: a browser a projector was
// handing its address to would otherwise wait for it forever, holding the test's output open.
void endProcessTree(DWORD processId);

// Whether the window's thread still handles messages (it answers within a second).
bool responsive(HWND window);

// A control's bounds relative to the client area of `reference`.
RECT boundsIn(HWND control, HWND reference);

// A Windows path for a Linux path, through Wine's Z: drive.
std::string windowsPath(const std::string& unixPath);

}  // namespace pravix::e2e
