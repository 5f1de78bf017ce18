// Programs the stubs start on Win32, each in a job object of its own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/Handle.h"

namespace pravix {

// A started program and every process it starts in turn: they share a job object that ends all
// of them when it is closed, so that none lingers after its owner has gone.
class JobProcess {
 public:
  // Starts `commandLine` (the program's path first, quoted); nothing, with the system's `error`,
  // when it cannot be started.
  static std::optional<JobProcess> start(const std::string& commandLine, int& error);

  // Whether the started program (not its children) ended within `milliseconds`.
  bool waitForExit(DWORD milliseconds) const;
  // Ends every process of the job and waits, for at most `milliseconds`, until they are gone.
  void endAll(DWORD milliseconds);

 private:
  JobProcess(KernelObject job, KernelObject process)
      : job_(std::move(job)), process_(std::move(process)) {}

  KernelObject job_;
  KernelObject process_;
};

}  // namespace pravix
