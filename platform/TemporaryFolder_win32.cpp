// Temporary folders on Win32: CreateDirectoryA under a random name, removed file by file.
#include "platform/TemporaryFolder.h"

#include <windows.h>

#include "platform/Handle.h"
#include "platform/System.h"

namespace pravix {
namespace {

// Removes what it can below `folder`, and the folder; false when the folder stays.
bool removeTree(const std::string& folder) {
  WIN32_FIND_DATAA entry{};
  const FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &entry));
  if (search) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      // A link to a folder is removed as a link, never followed.
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
          (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        removeTree(path);
        continue;
      }
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesA(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      }
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryA(path.c_str());
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search.get(), &entry));
  }
  return RemoveDirectoryA(folder.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

TemporaryFolder::TemporaryFolder(const std::string& stem) {
  const std::string parent = temporaryDirectory();
  for (int attempt = 0; attempt < 10; ++attempt) {
    path_ = parent + stem + randomHex(8);
    if (CreateDirectoryA(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throwLastError("Cannot make a folder in " + parent);
}

TemporaryFolder::~TemporaryFolder() {
  if (!removed_) remove(0);
}

bool TemporaryFolder::remove(unsigned milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!removeTree(path_)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(100);
  }
  removed_ = true;
  return true;
}

}  // namespace pravix
