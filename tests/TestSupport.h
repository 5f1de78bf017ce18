// Test helpers: a temporary folder per test, file contents as bytes, and a snapshot of a folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pravix::test {

using Bytes = std::vector<uint8_t>;

// The system's texts for the errors the tests provoke, as the messages carry them: Wine's, where
// the Win32 tests run, and the C library's on Linux.
#ifdef _WIN32
constexpr char kFileNotFound[] = "File not found";
constexpr char kPathNotFound[] = "Path not found";
constexpr char kSharingViolation[] = "Sharing violation";
constexpr char kAccessDenied[] = "Access denied";
constexpr char kNameTooLong[] = "File name is too long";
#else
constexpr char kFileNotFound[] = "No such file or directory";
constexpr char kPathNotFound[] = "No such file or directory";
constexpr char kSharingViolation[] = "Resource temporarily unavailable";
constexpr char kAccessDenied[] = "Permission denied";
constexpr char kNameTooLong[] = "File name too long";
#endif

// Bytes that differ from position to position, so a shifted or repeated block shows.
Bytes patternBytes(size_t size, uint32_t seed = 1);
Bytes concat(const Bytes& first, const Bytes& second);

// A movie's first bytes: `signature` ("FWS", "CWS", "ZWS"), version 10, the declared length
// 0x00012345, then `rest`.
Bytes movieStart(const char* signature, const Bytes& rest);

// An uncompressed frame: the stage 0..11000 x 0..8000 twips (550 x 400 px) in 15-bit fields,
// 24 frames per second, 1 frame.
extern const Bytes kStageFrame;

// Reads `bytes` at offsets, as the packaging's readers read a file (ReadAt); a read past their end
// fails the test.
std::function<size_t(uint64_t offset, uint8_t* out, size_t count)> readerOver(const Bytes& bytes);

// A projector's trailer for a movie of `length` bytes, whatever stands before it.
Bytes projectorTrailer(uint32_t length);

// A stub with `movie` and the trailer of each layout behind it.
Bytes projectorBytes(const Bytes& stub, const Bytes& movie);
Bytes screenSaverBytes(const Bytes& stub, const Bytes& movie);

// A Windows program's image as the linker lays ours out, with nothing in it: 0x200-byte file and
// 0x1000-byte section alignment, a checksum, and three sections: .text (0x200 bytes of
// patternBytes(0x200, 1) at file offset 0x200, address 0x1000), .rsrc (an empty resource
// directory: 16 bytes at 0x400, address 0x2000, its size not aligned) and .reloc (patternBytes(12,
// 2) at 0x600, address 0x3000, named by the relocation directory). 64-bit (PE32+) when `wide`.
// 0x800 bytes.
Bytes programImage(bool wide);

// An .ico file of 32-bit images of these sizes (1 to 256 pixels), each a DIB of patternBytes.
Bytes iconFile(const std::vector<std::pair<unsigned, unsigned>>& sizes);

// The messages of a file that cannot be opened or created, for an absolute `path` and the
// system's text for the error.
std::string openMessage(const std::string& path, const std::string& reason);
std::string createMessage(const std::string& path, const std::string& reason);

void writeBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes readBytes(const std::filesystem::path& path);

// Makes a file read-only: the read-only attribute on Win32, no write bits on POSIX.
void makeReadOnly(const std::filesystem::path& path);

// Whether the system refuses writers of a read-only file in `folder`. Wine run by root maps the
// attribute to Unix write bits, which root passes; the tests that rely on it are skipped there.
bool readOnlyIsEnforced(const std::filesystem::path& folder);

// Every regular file below a folder with its contents, to show what a call changed. A file of
// more than a MiB (a sparse movie of gigabytes, say) stands for itself by its size and its first
// and last bytes.
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
