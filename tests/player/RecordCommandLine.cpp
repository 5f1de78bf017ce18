// Stands in for a browser in the projector's tests: writes its command line to
// "command-line.txt" beside itself, then runs until a file "close" appears there (two minutes at
// most), as a browser runs until its window is closed. With "/start COMMAND" it only starts
// COMMAND: a program that starts another, the benchmark's measure of Wine's own start.
#include <windows.h>

#include <string>

#include "platform/Handle.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  const std::string kStart = "/start ";
  if (std::string(arguments).rfind(kStart, 0) == 0) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, arguments + kStart.size(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
      return 1;
    }
    const pravix::KernelObject process(started.hProcess), thread(started.hThread);
    return 0;
  }

  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of('\\') + 1);

  const std::string line = GetCommandLineA();
  const std::string temporary = folder + "command-line.tmp";
  bool complete = false;
  {
    const pravix::FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    complete =
        file &&
        WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
        written == line.size();
  }
  // Whoever waits for the file sees all of it or nothing.
  if (!complete || !MoveFileExA(temporary.c_str(), (folder + "command-line.txt").c_str(),
                                MOVEFILE_REPLACE_EXISTING)) {
    return 1;
  }
  const std::string close = folder + "close";
  for (int wait = 0; wait < 1200; ++wait) {
    if (GetFileAttributesA(close.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    Sleep(100);
  }
  return 2;
}
