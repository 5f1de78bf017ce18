// The file layer: exclusive opening, the read-only attribute, seeks, short reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "packaging/File.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::patternBytes;
using test::readBytes;
using test::writeBytes;

class FileLayer : public test::TempDirTest {};

TEST_F(FileLayer, ASecondOpenOfAnOpenFileFailsInEveryMode) {
  writeBytes(path("f"), patternBytes(10));
  {
    File first(path("f"), FileMode::ReadExisting);
    EXPECT_THROW(File(path("f"), FileMode::ReadExisting), FileOpenError);
    EXPECT_THROW(File(path("f"), FileMode::WriteExisting), FileOpenError);
    EXPECT_THROW(File(path("f"), FileMode::CreateReadWrite), FileCreateError);
  }
  // The failed create did not empty the file.
  EXPECT_EQ(readBytes(path("f")), patternBytes(10));
}

TEST_F(FileLayer, TheHandleIsReleasedWithTheObject) {
  writeBytes(path("f"), patternBytes(10));
  { File first(path("f"), FileMode::WriteExisting); }
  File again(path("f"), FileMode::ReadExisting);
  EXPECT_EQ(again.size(), 10u);
}

TEST_F(FileLayer, ReadOnlyFilesOpenForReadingOnly) {
  if (!test::readOnlyIsEnforced(dir_)) GTEST_SKIP() << "read-only files are writable here";
  writeBytes(path("f"), patternBytes(10));
  test::makeReadOnly(path("f"));
  EXPECT_THROW(File(path("f"), FileMode::WriteExisting), FileOpenError);
  EXPECT_THROW(File(path("f"), FileMode::CreateReadWrite), FileCreateError);
  File reader(path("f"), FileMode::ReadExisting);
  EXPECT_EQ(reader.size(), 10u);
}

TEST_F(FileLayer, CopyCarriesTheReadOnlyAttribute) {
  if (!test::readOnlyIsEnforced(dir_)) GTEST_SKIP() << "read-only files are writable here";
  writeBytes(path("a"), patternBytes(10));
  test::makeReadOnly(path("a"));
  ASSERT_TRUE(copyFile(path("a"), path("b")));
  EXPECT_EQ(readBytes(path("b")), patternBytes(10));
  EXPECT_THROW(File(path("b"), FileMode::WriteExisting), FileOpenError);
  // A read-only file is not replaced.
  EXPECT_FALSE(copyFile(path("a"), path("b")));
}

TEST_F(FileLayer, CopyRefusesAHeldFileAndAMissingSource) {
  writeBytes(path("a"), patternBytes(10));
  writeBytes(path("c"), patternBytes(3));
  File holder(path("c"), FileMode::ReadExisting);
  EXPECT_FALSE(copyFile(path("a"), path("c")));
  EXPECT_FALSE(copyFile(path("c"), path("d")));
  EXPECT_FALSE(copyFile(path("absent"), path("d")));
  EXPECT_FALSE(fs::exists(path("d")));
}

TEST_F(FileLayer, SeekBeforeTheStartLeavesThePosition) {
  writeBytes(path("f"), {1, 2, 3, 4, 5, 6});
  File file(path("f"), FileMode::ReadExisting);
  uint8_t byte = 0;
  file.readExactly(&byte, 1);
  file.seekFromEnd(7);
  file.readExactly(&byte, 1);
  EXPECT_EQ(byte, 2);
  file.seekFromEnd(6);
  file.readExactly(&byte, 1);
  EXPECT_EQ(byte, 1);
  file.seekFromEnd(0);
  EXPECT_THROW(file.readExactly(&byte, 1), StreamReadError);
}

TEST_F(FileLayer, ShortReadAndCreateEmptiesAnExistingFile) {
  writeBytes(path("f"), patternBytes(100));
  {
    File file(path("f"), FileMode::CreateReadWrite);
    EXPECT_EQ(file.size(), 0u);
    const uint8_t bytes[3] = {7, 8, 9};
    file.writeExactly(bytes, 3);
    file.seekFromEnd(3);
    uint8_t back[4] = {};
    EXPECT_THROW(file.readExactly(back, 4), StreamReadError);
  }
  EXPECT_EQ(readBytes(path("f")), (test::Bytes{7, 8, 9}));
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
  EXPECT_EQ(fullPathName(path("a")), path("a"));
}

}  // namespace
}  // namespace pravix
