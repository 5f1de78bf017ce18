// Programs started in a job object on Win32.
#include "platform/Process.h"

#include <vector>

#include "platform/System.h"

namespace pravix {

JobProcess::JobProcess(const std::string& commandLine) : job_(CreateJobObjectA(nullptr, nullptr)) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // No breakaway: whatever the program starts stays in the job and ends with it.
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job_ || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits)) {
    throwLastError("Cannot make a job object");
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // Suspended until it is in the job, so that nothing it starts escapes the job.
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &started)) {
    throwLastError("Cannot start " + commandLine);
  }
  process_.reset(started.hProcess);
  const KernelObject thread(started.hThread);
  if (!AssignProcessToJobObject(job_.get(), process_.get())) {
    const DWORD error = GetLastError();
    TerminateProcess(process_.get(), 1);
    throw SystemError("Cannot start " + commandLine, static_cast<int>(error));
  }
  ResumeThread(thread.get());
}

bool JobProcess::waitForExit(DWORD milliseconds) const {
  return WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

void JobProcess::endAll(DWORD milliseconds) {
  TerminateJobObject(job_.get(), 0);
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  while (QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                                   sizeof accounting, nullptr) &&
         accounting.ActiveProcesses > 0 && GetTickCount64() < deadline) {
    Sleep(50);
  }
}

}  // namespace pravix
