// Stands in for a browser in the projector's tests: writes its command line to
// "command-line.txt" beside itself, then runs until a file "close" appears there (two minutes at
// most), as a browser runs until its window is closed.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of('\\') + 1);

  const std::string line = GetCommandLineA();
  const std::string temporary = folder + "command-line.tmp";
  const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const bool complete =
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size();
  CloseHandle(file);
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
