// Programs started in a job object on Win32.
#include "platform/Process.h"

#include <vector>

namespace pravix {

std::optional<JobProcess> JobProcess::start(const std::string& commandLine, int& error) {
  KernelObject job(CreateJobObjectA(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // No breakaway: whatever the program starts stays in the job and ends with it.
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job || !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof limits)) {
    error = static_cast<int>(GetLastError());
    return std::nullopt;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // Suspended until it is in the job, so that nothing it starts escapes the job.
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &started)) {
    error = static_cast<int>(GetLastError());
    return std::nullopt;
  }
  KernelObject process(started.hProcess);
  const KernelObject thread(started.hThread);
  if (!AssignProcessToJobObject(job.get(), process.get())) {
    error = static_cast<int>(GetLastError());
    TerminateProcess(process.get(), 1);
    return std::nullopt;
  }
  ResumeThread(thread.get());
  return JobProcess(std::move(job), std::move(process));
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
