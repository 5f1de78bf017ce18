// Test helpers: a temporary folder per test, file contents as bytes, and a snapshot of a folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#endif

namespace pravix::test {

using Bytes = std::vector<uint8_t>;

// The system error codes the file layer reports for the cases the tests provoke.
#ifdef _WIN32
constexpr int kFileNotFound = ERROR_FILE_NOT_FOUND;
constexpr int kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr int kSharingViolation = ERROR_SHARING_VIOLATION;
constexpr int kAccessDenied = ERROR_ACCESS_DENIED;
constexpr int kIsDirectory = ERROR_ACCESS_DENIED;
#else
constexpr int kFileNotFound = ENOENT;
constexpr int kPathNotFound = ENOENT;
constexpr int kSharingViolation = EWOULDBLOCK;
constexpr int kAccessDenied = EACCES;
constexpr int kIsDirectory = EISDIR;
#endif

// Bytes that differ from position to position, so a shifted or repeated block shows.
Bytes patternBytes(size_t size, uint32_t seed = 1);
Bytes concat(const Bytes& first, const Bytes& second);

// A stub with `movie` and the trailer of each layout behind it.
Bytes projectorBytes(const Bytes& stub, const Bytes& movie);
Bytes screenSaverBytes(const Bytes& stub, const Bytes& movie);

// The messages of a file that cannot be opened or created, for the system's error `code`.
std::string openMessage(const std::string& path, int code);
std::string createMessage(const std::string& path, int code);

void writeBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes readBytes(const std::filesystem::path& path);

// Makes a file read-only: the read-only attribute on Win32, no write bits on POSIX.
void makeReadOnly(const std::filesystem::path& path);

// Whether the system refuses writers of a read-only file in `folder`. Wine run by root maps the
// attribute to Unix write bits, which root passes; the tests that rely on it are skipped there.
bool readOnlyIsEnforced(const std::filesystem::path& folder);

// Every regular file below a folder with its contents, to show what a call changed.
std::map<std::string, Bytes> snapshot(const std::filesystem::path& folder);

// Changes the current directory for its lifetime.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& directory)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// A fresh, empty folder per test, removed afterwards (read-only files included).
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The path of `name` inside the folder, as the file layer takes it.
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

}  // namespace pravix::test
