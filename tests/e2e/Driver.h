// A small Win32 test driver: starts programs, finds their windows, reads and presses what they
// show.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "packaging/File.h"

namespace pravix::e2e {

constexpr DWORD kTimeoutMs = 20000;

// A started program; one still running when the object goes is ended.
class Process {
 public:
  Process(const std::string& commandLine, const std::string& directory);
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

// The visible top-level windows of a process, optionally of one class.
std::vector<HWND> topLevelWindows(DWORD processId, const char* className = nullptr);

// Waits for a visible top-level window of the process with that class; nullptr after the timeout.
HWND waitForWindow(DWORD processId, const char* className, DWORD milliseconds = kTimeoutMs);

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

// Presses a message box's OK button and waits until the box is gone.
void pressOk(HWND box);

// A Windows path for a Linux path, through Wine's Z: drive.
std::string windowsPath(const std::string& unixPath);

}  // namespace pravix::e2e
