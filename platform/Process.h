// Programs the stubs start on Win32, each in a job object of its own.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Handle.h"

namespace pravix {

// A started program and every process it starts in turn: they share a job object that ends all
// of them when it is closed, so that none lingers after its owner has gone.
class JobProcess {
 public:
  // Starts `commandLine` (the program's path first, quoted); SystemError when it cannot be
  // started.
  explicit JobProcess(const std::string& commandLine);

  // Whether the started program (not its children) ended within `milliseconds`.
  bool waitForExit(DWORD milliseconds) const;
  // Ends every process of the job and waits, for at most `milliseconds`, until they are gone.
  void endAll(DWORD milliseconds);

 private:
  KernelObject job_;
  KernelObject process_;
};

}  // namespace pravix
