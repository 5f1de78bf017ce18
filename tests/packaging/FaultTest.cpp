// The conversions when the system gets in the way: a full disk, files held by other openers,
// read-only files, missing folders, overlong and non-ASCII names, and files beyond 4 GiB.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "packaging/Conversion.h"
#include "packaging/GlobalUnit.h"
#include "platform/File.h"
#include "platform/Handle.h"
#include "tests/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::concat;
using test::createMessage;
using test::openMessage;
using test::patternBytes;
using test::readBytes;
using test::snapshot;
using test::writeBytes;

const Bytes kStub = patternBytes(500, 7);

Bytes projectorBytes(const Bytes& movie) {
  return test::projectorBytes(kStub, movie);
}

// What a call ended with: "true", "false", or the message of the FileError it raised.
std::string outcome(const std::function<bool()>& call) {
  try {
    return call() ? "true" : "false";
  } catch (const FileError& e) {
    return e.what();
  }
}

// Whether `path` can be opened by nobody else right now: false while any handle to it is open.
bool openableExclusively(const std::string& path) {
  try {
    File again(path, FileMode::ReadExisting);
    return true;
  } catch (const FileError&) {
    return false;
  }
}

// Another program's handle: no sharing on Win32, the lock every opener takes on POSIX.
class ForeignHolder {
 public:
  explicit ForeignHolder(const std::string& path) {
#ifdef _WIN32
    handle_.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
#else
    handle_.reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (handle_ && ::flock(handle_.get(), LOCK_EX | LOCK_NB) != 0) handle_.reset();
#endif
    if (!handle_) throw std::runtime_error("cannot hold " + path);
  }

 private:
  FileHandle handle_;
};

// Names as the routines see them: the file layer's bytes, not std::filesystem's conversions.
void writeRaw(const std::string& path, const Bytes& bytes) {
  ReplacementFile file(path);
  file.file().writeExactly(bytes.data(), bytes.size());
  file.commit();
}

Bytes readRaw(const std::string& path) {
  const File file(path, FileMode::ReadExisting);
  Bytes bytes(static_cast<size_t>(file.size()));
  file.readAt(0, bytes.data(), bytes.size());
  return bytes;
}

#ifdef _WIN32
// The names in `folder` in the ANSI code page, as the routines spell them.
std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found{};
  FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(search.get(), &found));
  return names;
}
#else
std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}
#endif

// A file of `size` bytes that takes no room: a hole, then `tail` as its last bytes.
void writeSparse(const fs::path& path, uint64_t size, const Bytes& tail) {
  writeBytes(path, {});
  fs::resize_file(path, size - tail.size());
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

class Faults : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(path("Player.exe"), kStub);
    writeBytes(path("Quendel.dll"), kStub);
  }

  bool pack(Package package, const std::string& source, const std::string& target) {
    const bool projector = package == Package::Projector;
    const Job job{projector ? Task::PackProjector : Task::PackScreenSaver,
                  source,
                  path(projector ? "Player.exe" : "Quendel.dll"),
                  target,
                  nullptr,
                  nullptr};
    return convert(job).outcome == Outcome::Written;
  }
};

#ifndef _WIN32
// Runs `call` in a child process whose files cannot grow past `limit` bytes, as on a disk that
// fills up, and returns what the call reported.
std::string withFileSizeLimit(uint64_t limit, const std::function<std::string()>& call) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork");
  if (child == 0) {
    ::close(pipeFds[0]);
    // Without this the write past the limit kills the process instead of failing with EFBIG.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limits{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    const std::string report = ::setrlimit(RLIMIT_FSIZE, &limits) == 0 ? call() : "no limit";
    const bool sent =
        ::write(pipeFds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipeFds[1]);
  std::string report;
  char chunk[512];
  ssize_t got;
  while ((got = ::read(pipeFds[0], chunk, sizeof chunk)) > 0) {
    report.append(chunk, static_cast<size_t>(got));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  return report;
}
#endif

TEST_F(Faults, DiskFillingUpGivesTheWriteErrorAndLeavesEveryFileAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "a Win32 program cannot limit its own file sizes, and filling a real disk "
                  "needs a volume of the test's own";
#else
  const Bytes movie = patternBytes(200000, 5);
  writeBytes(path("m.swf"), movie);
  writeBytes(path("m.exe"), projectorBytes(movie));
  // Older results stand at the targets; the new ones must not replace them half written.
  writeBytes(path("p.out"), patternBytes(700, 1));
  writeBytes(path("x.out"), patternBytes(800, 2));
  const auto before = snapshot(dir_);

  const struct {
    const char* name;
    uint64_t limit;
    std::function<bool()> call;
    std::string source;
  } cases[] = {
      // During the movie; the limit is not a multiple of the copy buffer.
      {"projector", 100003, [&] { return pack(Package::Projector, path("m.swf"), path("p.out")); },
       path("m.swf")},
      {"screen saver", 100003,
       [&] { return pack(Package::ScreenSaver, path("m.swf"), path("s.out")); }, path("m.swf")},
      {"extraction", 100003, [&] { return ExeToSwf(path("m.exe"), path("x.out")); }, path("m.exe")},
      // During the stub.
      {"stub", kStub.size() - 1,
       [&] { return pack(Package::Projector, path("m.swf"), path("p.out")); }, path("m.swf")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string report = withFileSizeLimit(c.limit, [&] {
      std::string result = outcome(c.call);
      if (!openableExclusively(c.source)) result += "; the source is still open";
      return result;
    });
    EXPECT_EQ(report, "Stream write error");
    EXPECT_EQ(snapshot(dir_), before);
  }
#endif
}

TEST_F(Faults, AHeldStubOrTargetIsReportedAndChangesNothing) {
  writeBytes(path("m.swf"), patternBytes(100));
  writeBytes(path("old.exe"), patternBytes(700, 3));
  const auto before = snapshot(dir_);
  for (const Package package : {Package::Projector, Package::ScreenSaver}) {
    const std::string stub = path(package == Package::Projector ? "Player.exe" : "Quendel.dll");
    {
      const ForeignHolder holder(stub);
      for (const char* target : {"new.exe", "old.exe"}) {
        EXPECT_EQ(outcome([&] { return pack(package, path("m.swf"), path(target)); }),
                  openMessage(stub, test::kSharingViolation));
      }
    }
    {
      const ForeignHolder target(path("old.exe"));
      EXPECT_EQ(outcome([&] { return pack(package, path("m.swf"), path("old.exe")); }),
                createMessage(path("old.exe"), test::kSharingViolation));
    }
  }
  EXPECT_TRUE(openableExclusively(path("m.swf")));
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Faults, FilesHeldByAnotherProgramGiveTheSharingMessage) {
  const Bytes movie = patternBytes(100);
  writeBytes(path("m.swf"), movie);
  writeBytes(path("p.exe"), projectorBytes(movie));
  writeBytes(path("out.swf"), patternBytes(40, 2));
  {
    const ForeignHolder source(path("p.exe"));
    const ForeignHolder movieHolder(path("m.swf"));
    EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), path("new.swf")); }),
              openMessage(path("p.exe"), test::kSharingViolation));
    EXPECT_EQ(outcome([&] { return pack(Package::ScreenSaver, path("m.swf"), path("m.scr")); }),
              openMessage(path("m.swf"), test::kSharingViolation));
  }
  {
    const ForeignHolder target(path("out.swf"));
    EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), path("out.swf")); }),
              createMessage(path("out.swf"), test::kSharingViolation));
  }
  EXPECT_EQ(namesIn(dir_.string()),
            (std::set<std::string>{"Player.exe", "Quendel.dll", "m.swf", "out.swf", "p.exe"}));
  EXPECT_EQ(readBytes(path("out.swf")), patternBytes(40, 2));
  EXPECT_TRUE(openableExclusively(path("p.exe")));
}

TEST_F(Faults, PackingOntoItsOwnStubLeavesTheStubIntact) {
  writeBytes(path("m.swf"), patternBytes(100));
  const auto before = snapshot(dir_);
  EXPECT_EQ(outcome([&] { return pack(Package::Projector, path("m.swf"), path("Player.exe")); }),
            createMessage(path("Player.exe"), test::kSharingViolation));
  EXPECT_EQ(outcome([&] { return pack(Package::ScreenSaver, path("m.swf"), path("Quendel.dll")); }),
            createMessage(path("Quendel.dll"), test::kSharingViolation));
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Faults, ReadOnlySourcesAreReadAndReadOnlyTargetsRefused) {
  if (!test::readOnlyIsEnforced(dir_)) GTEST_SKIP() << "read-only files are writable here";
  const Bytes movie = patternBytes(300, 4);
  writeBytes(path("m.swf"), movie);
  writeBytes(path("p.exe"), projectorBytes(movie));
  writeBytes(path("old.exe"), patternBytes(50, 1));
  writeBytes(path("old.swf"), patternBytes(60, 1));
  for (const char* name : {"m.swf", "p.exe", "old.exe", "old.swf"}) test::makeReadOnly(path(name));

  // Reading needs no write access.
  EXPECT_EQ(outcome([&] { return pack(Package::Projector, path("m.swf"), path("m.exe")); }),
            "true");
  EXPECT_EQ(readBytes(path("m.exe")), projectorBytes(movie));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), path("back.swf")); }), "true");
  EXPECT_EQ(readBytes(path("back.swf")), movie);

  const auto before = snapshot(dir_);
  EXPECT_EQ(outcome([&] { return pack(Package::Projector, path("m.swf"), path("old.exe")); }),
            createMessage(path("old.exe"), test::kAccessDenied));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), path("old.swf")); }),
            createMessage(path("old.swf"), test::kAccessDenied));
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Faults, MissingTargetFolder) {
  writeBytes(path("m.swf"), patternBytes(100));
  writeBytes(path("p.exe"), projectorBytes(patternBytes(100)));
  const std::string missing = (dir_ / "missing" / "out.swf").string();
  const auto before = snapshot(dir_);
  EXPECT_EQ(outcome([&] { return pack(Package::ScreenSaver, path("m.swf"), missing); }),
            createMessage(missing, test::kPathNotFound));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), missing); }),
            createMessage(missing, test::kPathNotFound));
  EXPECT_EQ(snapshot(dir_), before);
  EXPECT_TRUE(openableExclusively(path("p.exe")));
}

TEST_F(Faults, NamesTooLongForThePlatform) {
#ifdef _WIN32
  const std::string tooLong = path(std::string(MAX_PATH, 'a') + ".swf");  // past MAX_PATH
#else
  const std::string tooLong = path(std::string(256, 'a') + ".swf");  // one component past 255
#endif
  writeBytes(path("m.swf"), patternBytes(100));
  writeBytes(path("p.exe"), projectorBytes(patternBytes(100)));
  const auto before = snapshot(dir_);
  EXPECT_EQ(outcome([&] { return pack(Package::Projector, path("m.swf"), tooLong); }),
            createMessage(tooLong, test::kNameTooLong));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("p.exe"), tooLong); }),
            createMessage(tooLong, test::kNameTooLong));
  EXPECT_EQ(outcome([&] { return ExeToSwf(tooLong, path("out.swf")); }),
            openMessage(tooLong, test::kNameTooLong));
  EXPECT_EQ(outcome([&] { return pack(Package::Projector, tooLong, path("out.exe")); }),
            openMessage(tooLong, test::kNameTooLong));
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Faults, NamesWithBytesAboveAsciiRoundTrip) {
  // Joined by hand: std::filesystem on mingw would re-encode the name's bytes.
  const auto path = [this](const std::string& name) {
    return dir_.string() + static_cast<char>(fs::path::preferred_separator) + name;
  };
  const Bytes movie = patternBytes(1000, 9);
  const std::string original = path("\xC0\xE9t\xE9.swf");
  const std::string projector = path("\xE9t\xE9.exe");
  writeRaw(original, movie);
  ASSERT_EQ(outcome([&] { return pack(Package::Projector, original, projector); }), "true");
  ASSERT_EQ(outcome([&] { return ExeToSwf(projector, ""); }), "true");

  EXPECT_EQ(namesIn(dir_.string()),
            (std::set<std::string>{"Player.exe", "Quendel.dll", "\xC0\xE9t\xE9.swf",
                                   "\xE9t\xE9.exe", "\xE9t\xE9.swf"}));
  EXPECT_EQ(readRaw(projector), projectorBytes(movie));
  EXPECT_EQ(readRaw(path("\xE9t\xE9.swf")), movie);
  EXPECT_EQ(readRaw(original), movie);

  // The messages name the file in the same bytes.
  const std::string absent = path("\xE9t\xE9-absent.exe");
  EXPECT_EQ(outcome([&] { return ExeToSwf(absent, ""); }),
            openMessage(absent, test::kFileNotFound));
}

TEST_F(Faults, ExtractionBeyondFourGiBUsesWholeOffsets) {
  // Sparse: the movie sits past the 32-bit offsets, nothing else takes room or time.
  const Bytes movie = patternBytes(1000, 6);
  writeSparse(dir_ / "big.exe", 0x140000000ull, test::projectorBytes({}, movie));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("big.exe"), path("out.swf")); }), "true");
  EXPECT_EQ(readBytes(path("out.swf")), movie);
}

TEST_F(Faults, TrailerNamingTheLargestLengthOneByteBeyondTheFile) {
  // Movie and trailer need 0xFFFFFFFF + 8 bytes; the file has one fewer. In 32 bits the sum
  // would wrap to 7 and pass.
  writeSparse(dir_ / "big.exe", 0xFFFFFFFFull + 7, test::projectorTrailer(0xFFFFFFFF));
  writeBytes(path("out.swf"), patternBytes(30, 3));
  EXPECT_EQ(outcome([&] { return ExeToSwf(path("big.exe"), path("out.swf")); }),
            "Stream read error");
  EXPECT_EQ(readBytes(path("out.swf")), patternBytes(30, 3));
  EXPECT_TRUE(openableExclusively(path("big.exe")));
}

}  // namespace
}  // namespace pravix
