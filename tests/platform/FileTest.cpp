// The file layer: exclusive opening, replacement in one step, refusal of what is not a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "platform/File.h"
#include "tests/TestSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::patternBytes;
using test::readBytes;
using test::snapshot;
using test::writeBytes;

class FileLayer : public test::TempDirTest {
 protected:
  // Replaces `name` with `bytes`, committing or not.
  void replace(const std::string& name, const test::Bytes& bytes, bool commit) {
    ReplacementFile file(path(name));
    file.file().writeExactly(bytes.data(), bytes.size());
    if (commit) file.commit();
  }
  // Whether replacing `name` fails because the access is denied (and not for another reason).
  bool replacementDenied(const std::string& name) {
    try {
      replace(name, patternBytes(3), true);
    } catch (const FileCreateError& error) {
      return error.accessDenied();
    }
    ADD_FAILURE() << name << " was replaced";
    return false;
  }
};

TEST_F(FileLayer, ExclusiveReadersShutOutEveryOtherOpenerAndReplacement) {
  writeBytes(path("f"), patternBytes(10));
  {
    File first(path("f"), FileMode::ReadExisting);
    EXPECT_THROW(File(path("f"), FileMode::ReadExisting), FileOpenError);
    EXPECT_THROW(File(path("f"), FileMode::ReadShared), FileOpenError);
    EXPECT_FALSE(replacementDenied("f"));  // held, not denied
  }
  {
    File shared(path("f"), FileMode::ReadShared);
    File alsoShared(path("f"), FileMode::ReadShared);
    EXPECT_THROW(File(path("f"), FileMode::ReadExisting), FileOpenError);
  }
  // Every handle went with its object, and the refused replacement left nothing behind.
  EXPECT_EQ(snapshot(dir_), (std::map<std::string, test::Bytes>{{"f", patternBytes(10)}}));
}

TEST_F(FileLayer, AReplacementTakesThePlaceOfTheTargetOnlyWhenCommitted) {
  writeBytes(path("f"), patternBytes(10));
  replace("f", patternBytes(20, 2), false);
  replace("new", patternBytes(20, 2), false);
  EXPECT_EQ(snapshot(dir_), (std::map<std::string, test::Bytes>{{"f", patternBytes(10)}}));

  replace("f", patternBytes(20, 2), true);
  replace("new", {}, true);
  EXPECT_EQ(snapshot(dir_),
            (std::map<std::string, test::Bytes>{{"f", patternBytes(20, 2)}, {"new", {}}}));
}

TEST_F(FileLayer, AFileToBeKeptRefusesTheReplacementAlsoWhenItAppearsMeanwhile) {
  writeBytes(path("old"), {1});
  EXPECT_THROW(ReplacementFile(path("old"), FileRules::Windows, Existing::Keep), FileExistsError);
  {
    ReplacementFile late(path("new"), FileRules::Windows, Existing::Keep);
    late.file().writeExactly("mine", 4);
    writeBytes(path("new"), {2});
    EXPECT_THROW(late.commit(), FileExistsError);
  }
  EXPECT_EQ(snapshot(dir_), (std::map<std::string, test::Bytes>{{"old", {1}}, {"new", {2}}}));
}

TEST_F(FileLayer, ReadOnlyFilesAreReadButNotReplaced) {
  if (!test::readOnlyIsEnforced(dir_)) GTEST_SKIP() << "read-only files are writable here";
  writeBytes(path("f"), patternBytes(10));
  test::makeReadOnly(path("f"));
  EXPECT_TRUE(replacementDenied("f"));
  File reader(path("f"), FileMode::ReadExisting);
  EXPECT_EQ(reader.size(), 10u);
  EXPECT_EQ(snapshot(dir_), (std::map<std::string, test::Bytes>{{"f", patternBytes(10)}}));
}

TEST_F(FileLayer, FoldersAndDevicesAreRefusedAsSourcesAndTargets) {
  fs::create_directory(path("dir"));
  EXPECT_THROW(File(path("dir"), FileMode::ReadExisting), FileRefusedError);
  EXPECT_THROW(replace("dir", patternBytes(3), true), FileRefusedError);
#ifdef _WIN32
  for (const char* name :
       {"COM1.exe", "con", "aux.swf", "Lpt9", "nul .txt", "prn.a.b", "CONIN$", "com0"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(isDeviceName(path(name)));
    EXPECT_TRUE(isDeviceName(std::string("sub/") + name));
    EXPECT_THROW(File(path(name), FileMode::ReadExisting), FileRefusedError);
    EXPECT_THROW(replace(name, patternBytes(3), true), FileRefusedError);
  }
  EXPECT_TRUE(isDeviceName("\\\\.\\pipe\\movie"));
  for (const char* name : {"COM10.exe", "console.swf", "xnul", "auxiliary"}) {
    EXPECT_FALSE(isDeviceName(path(name))) << name;
  }
#else
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  EXPECT_THROW(File(path("pipe"), FileMode::ReadExisting), FileRefusedError);
  EXPECT_THROW(replace("pipe", patternBytes(3), true), FileRefusedError);
  EXPECT_THROW(File("/dev/null", FileMode::ReadExisting), FileRefusedError);
#endif
  // Nothing was written in place of them, and no unfinished replacement stays behind.
  EXPECT_TRUE(snapshot(dir_).empty());
}

TEST_F(FileLayer, ReadsAtAnOffsetWhateverCameBeforeAndShortReadsThrow) {
  writeBytes(path("f"), {1, 2, 3, 4, 5, 6});
  const File file(path("f"), FileMode::ReadShared);
  uint8_t bytes[3] = {};
  file.readAt(4, bytes, 2);
  EXPECT_EQ((std::vector<uint8_t>(bytes, bytes + 2)), (std::vector<uint8_t>{5, 6}));
  file.readAt(1, bytes, 3);
  EXPECT_EQ((std::vector<uint8_t>(bytes, bytes + 3)), (std::vector<uint8_t>{2, 3, 4}));
  file.readAt(6, bytes, 0);
  EXPECT_THROW(file.readAt(5, bytes, 2), StreamReadError);
  EXPECT_THROW(file.readAt(uint64_t{1} << 32, bytes, 1), StreamReadError);
}

TEST_F(FileLayer, AReplacementIsWrittenInTheTargetsFolderHoweverThePathIsSpelt) {
  // Win32 takes "/" for "\\" too: "Z:/dir/sub/x" lies in Z:\\dir\\sub, not in Z:'s current
  // folder, and a temporary file there could not be moved across volumes.
  fs::create_directories(dir_ / "sub");
  fs::create_directories(dir_ / "elsewhere");
  const test::CurrentDirectory current(dir_ / "elsewhere");
  const std::string relative = std::string("..") + "/" + "sub" + "/" + "x";
  for (const std::string& target : {(dir_ / "sub" / "x").generic_string(), relative}) {
    SCOPED_TRACE(target);
    {
      ReplacementFile replacement(target);
      // The unfinished file is held by nobody else: only its name can be seen.
      const auto entries = [](const fs::path& folder) {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
      };
      EXPECT_EQ(entries(dir_ / "sub"), 1);
      EXPECT_EQ(entries(dir_ / "elsewhere"), 0);
      replacement.file().writeExactly("new", 3);
      replacement.commit();
    }
    EXPECT_EQ(
        snapshot(dir_),
        (std::map<std::string, test::Bytes>{{(fs::path("sub") / "x").string(), {'n', 'e', 'w'}}}));
    fs::remove(dir_ / "sub" / "x");
  }
}

TEST_F(FileLayer, UniqueNamesAreNewFilesOfTheirOwn) {
  const std::string folder = dir_.string() + "/";
  CreatedFile first = File::createUnique(folder, "movie-", ".swf");
  CreatedFile second = File::createUnique(folder, "movie-", ".swf");
  EXPECT_NE(first.path, second.path);
  for (const std::string& name : {first.path, second.path}) {
    const std::string file = fs::path(name).filename().string();
    EXPECT_EQ(file.size(), 6u + 8u + 4u) << file;
    EXPECT_EQ(file.substr(0, 6), "movie-");
    EXPECT_EQ(file.substr(14), ".swf");
  }
  EXPECT_THROW(File::createUnique(folder + "missing/", "movie-", ".swf"), FileCreateError);
}

TEST_F(FileLayer, QueriesTellFilesApart) {
  writeBytes(path("a"), patternBytes(12));
  writeBytes(path("b"), patternBytes(12));
  fs::create_directory(path("dir"));
  EXPECT_EQ(fileSize(path("a")), 12u);
  EXPECT_FALSE(fileSize(path("dir")));
  EXPECT_FALSE(fileSize(path("absent")));
  EXPECT_TRUE(sameFile(path("a"), (dir_ / "dir" / ".." / "a").string()));
  EXPECT_FALSE(sameFile(path("a"), path("b")));
  EXPECT_FALSE(sameFile(path("a"), path("absent")));
  EXPECT_FALSE(sameFile(path("absent"), path("absent")));
  const test::CurrentDirectory inside(dir_ / "dir");
  EXPECT_EQ(fullPathName("a"), (dir_ / "dir" / "a").string());
}

}  // namespace
}  // namespace pravix
