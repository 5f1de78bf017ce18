// The files a package carries before its movie: the table's bytes, the reader's refusals, the
// folder's walk, a packing with them, and the stubs' view of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "packaging/Conversion.h"
#include "packaging/PackageFormat.h"
#include "packaging/PackedFiles.h"
#include "stubs/site/PackedFolder.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

using test::Bytes;

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// A package's bytes: "STUB", the files "abc" ("a.swf") and "xy" ("d/b\xC3\xBC.xml"), their table
// and footer, then the movie.
const std::string kEnd = packedFilesEnd({{"a.swf", 3}, {"d/b\xC3\xBC.xml", 2}});
const std::string kPackage = "STUBabcxy" + kEnd + "FWS\x0A";

TEST(PackedFiles, TableAndFooterAreTheDocumentedBytes) {
  EXPECT_EQ(kEnd, std::string("\x03\0\0\0\0\0\0\0\x05\0a.swf"
                              "\x02\0\0\0\0\0\0\0\x09\0d/b\xC3\xBC.xml"
                              "PXFILES1\x02\0\0\0\x22\0\0\0\x05\0\0\0\0\0\0\0",
                              34 + 24));
  const PackedFiles packed = readPackedFiles(test::readerOver(bytesOf(kPackage)), 9 + kEnd.size());
  ASSERT_EQ(packed.status, PackedFiles::Status::Found) << packed.reason;
  ASSERT_EQ(packed.files.size(), 2u);
  EXPECT_EQ(packed.files[0].name, "a.swf");
  EXPECT_EQ(packed.files[0].offset, 4u);
  EXPECT_EQ(packed.files[0].size, 3u);
  EXPECT_EQ(packed.files[1].name, "d/b\xC3\xBC.xml");
  EXPECT_EQ(packed.files[1].offset, 7u);
  EXPECT_EQ(packed.files[1].size, 2u);
  EXPECT_EQ(packed.bytes, 5u);
  // No footer before the movie, or no room for one: no files.
  EXPECT_EQ(readPackedFiles(test::readerOver(bytesOf("STUBFWS")), 4).status,
            PackedFiles::Status::None);
  EXPECT_EQ(readPackedFiles(test::readerOver(bytesOf(std::string(40, 'x'))), 30).status,
            PackedFiles::Status::None);
}

TEST(PackedFiles, ADamagedTableIsRefusedWithItsReasonNeverFollowedOutside) {
  // Each case changes one field of kPackage's table or footer (offsets from the file's start).
  const size_t footer = 9 + kEnd.size() - 24;
  const struct {
    const char* what;
    size_t at;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"more files than the table holds", footer + 8, std::string("\x03", 1),
       "its table of files is cut short"},
      {"a table longer than the file before it", footer + 12, std::string("\xFF\x00", 2),
       "its table of files names more than the file holds"},
      {"file bytes beyond the file's start", footer + 16, std::string("\x0A", 1),
       "its table of files names more than the file holds"},
      {"a size beyond the file bytes", 9, std::string("\x09", 1),
       "its table of files names more than the file holds"},
      {"sizes that fall short of the file bytes", 9, std::string("\x02", 1),
       "its table of files does not add up"},
      {"a name that leaves the folder", 9 + 10, std::string("../sw"),
       "its table of files holds a name no file can have"},
      {"a device's name", 9 + 10, std::string("nul.s"),
       "its table of files holds a name no file can have"},
  };
  for (const auto& each : cases) {
    std::string package = kPackage;
    package.replace(each.at, each.bytes.size(), each.bytes);
    const PackedFiles packed = readPackedFiles(test::readerOver(bytesOf(package)), 9 + kEnd.size());
    EXPECT_EQ(packed.status, PackedFiles::Status::Damaged) << each.what;
    EXPECT_EQ(packed.reason, each.reason) << each.what;
    EXPECT_TRUE(packed.files.empty()) << each.what;
  }
  // Two names that differ in case alone are one file in a Windows folder.
  const std::string twice = packedFilesEnd({{"a.swf", 1}, {"A.SWF", 1}});
  const PackedFiles packed =
      readPackedFiles(test::readerOver(bytesOf("ab" + twice)), 2 + twice.size());
  EXPECT_EQ(packed.reason, "its table of files names \"A.SWF\" twice");
}

class PackedFolders : public test::TempDirTest {
 protected:
  // The movie "FWS\x0A" as game.swf, the stub "MZstub", and `bytes` as the file `asset` below
  // the folder assets: the job that packs them into game.exe.
  Job gameWith(const std::filesystem::path& asset, const std::string& bytes) {
    std::filesystem::create_directories((dir_ / "assets" / asset).parent_path());
    test::writeBytes(dir_ / "assets" / asset, bytesOf(bytes));
    test::writeBytes(dir_ / "game.swf", bytesOf("FWS\x0A"));
    test::writeBytes(dir_ / "stub.exe", bytesOf("MZstub"));
    Job job;
    job.source = path("game.swf");
    job.stub = path("stub.exe");
    job.options.include = path("assets");
    return job;
  }
};

// Each folder's files by name, then its folders by name.
TEST_F(PackedFolders, AreWalkedInOrderWithoutTheMovieOrWhatLeadsOutside) {
  namespace fs = std::filesystem;
  fs::create_directories(dir_ / "game" / "levels" / "deep");
  test::writeBytes(dir_ / "game" / "game.swf", bytesOf("FWS\x0A"));
  test::writeBytes(dir_ / "game" / "b.xml", bytesOf("<b/>"));
  test::writeBytes(dir_ / "game" / "a.mp3", bytesOf("ID3"));
  test::writeBytes(dir_ / "game" / "levels" / "one.swf", bytesOf("CWS"));
  test::writeBytes(dir_ / "game" / "levels" / "deep" / "x\xC3\xA9.txt", bytesOf("x"));
  test::writeBytes(dir_ / "secret.txt", bytesOf("s"));
#ifndef _WIN32
  fs::create_symlink("../secret.txt", dir_ / "game" / "out.txt");
  fs::create_directory_symlink("..", dir_ / "game" / "levels" / "up");
  fs::create_directory_symlink("levels", dir_ / "game" / "again");
#endif
  const File movie(path("game/game.swf"), FileMode::ReadShared);
  std::vector<std::string> names;
  for (const FileToPack& file :
       filesToPack(path("game"), {movie.resolvedPath()}, FileRules::Windows)) {
    names.push_back(file.name);
  }
#ifdef _WIN32
  EXPECT_EQ(names, (std::vector<std::string>{"a.mp3", "b.xml", "levels/one.swf",
                                             "levels/deep/x\xC3\xA9.txt"}));
#else
  // A link that leads to a folder inside is walked as a folder.
  EXPECT_EQ(names,
            (std::vector<std::string>{"a.mp3", "b.xml", "again/one.swf", "again/deep/x\xC3\xA9.txt",
                                      "levels/one.swf", "levels/deep/x\xC3\xA9.txt"}));
#endif

  // A name no package can carry, and a folder that is not there.
  test::writeBytes(dir_ / "game" / "levels" / "bad\xC2\x85.txt", bytesOf("?"));
  EXPECT_THROW(filesToPack(path("game"), {movie.resolvedPath()}, FileRules::Windows),
               FileOpenError);
  EXPECT_THROW(filesToPack(path("missing"), {}, FileRules::Windows), FileOpenError);
}

TEST_F(PackedFolders, TravelInsideAProjectorAndAreServedByTheirNamesInAnyCase) {
  Job job = gameWith("sub/Part.swf", "CWSpart");
  ASSERT_EQ(convert(job).outcome, Outcome::Written);
  const std::string end = packedFilesEnd({{"sub/Part.swf", 7}});
  EXPECT_EQ(test::readBytes(dir_ / "game.exe"),
            test::concat(bytesOf("MZstubCWSpart" + end + "FWS\x0A"), test::projectorTrailer(4)));

  // Packed again from the folder that holds them all, the movie, the stub and the projector it
  // replaces are none of the game's files.
  job.options.include = path("");
  ASSERT_EQ(convert(job).outcome, Outcome::Written);
  const Bytes again = test::readBytes(dir_ / "game.exe");
  const std::string againEnd = packedFilesEnd({{"assets/sub/Part.swf", 7}});
  EXPECT_EQ(again, test::concat(bytesOf("MZstubCWSpart" + againEnd + "FWS\x0A"),
                                test::projectorTrailer(4)));
  job.options.include = path("assets");
  ASSERT_EQ(convert(job).outcome, Outcome::Written);

  const File projector(path("game.exe"), FileMode::ReadShared);
  const uint64_t movieOffset = 13 + end.size();
  const stub::PackedFolder packed(projector, movieOffset);
  EXPECT_EQ(packed.problem(), "");
  const std::unique_ptr<stub::Body> part = packed.open("SUB/part.SWF");
  ASSERT_NE(part, nullptr);
  std::string bytes(part->size(), '\0');
  part->read(0, bytes.data(), bytes.size());
  EXPECT_EQ(bytes, "CWSpart");
  EXPECT_EQ(packed.open("sub"), nullptr);
  EXPECT_EQ(packed.open("game.swf"), nullptr);

  // A damaged table leaves the movie to play without its files, and says so.
  test::writeBytes(dir_ / "damaged.exe", bytesOf("MZ" + end + "FWS\x0A"));
  const File damaged(path("damaged.exe"), FileMode::ReadShared);
  const stub::PackedFolder none(damaged, 2 + end.size());
  EXPECT_EQ(none.count(), 0u);
  EXPECT_EQ(none.problem(),
            "The files inside the program are left out: its table of files names more than the "
            "file holds.");
}

TEST_F(PackedFolders, ThatChangeWhilePackedLeaveTheTargetAsItWas) {
  namespace fs = std::filesystem;
  Job job = gameWith("level.xml", "<go/>");
  test::writeBytes(dir_ / "game.exe", bytesOf("old"));
  // Once the stub is copied, the file grows.
  job.progress = [&](uint64_t, uint64_t) {
    if (fs::file_size(dir_ / "assets" / "level.xml") == 5) {
      test::writeBytes(dir_ / "assets" / "level.xml", bytesOf("<go/><go/>"));
    }
  };
  try {
    convert(job);
    ADD_FAILURE() << "packed";
  } catch (const StreamReadError& error) {
    EXPECT_EQ(error.reason(), "changed while it was packed");
  }
  EXPECT_EQ(test::readBytes(dir_ / "game.exe"), bytesOf("old"));
  EXPECT_EQ(test::snapshot(dir_).size(), 4u);
}

}  // namespace
}  // namespace pravix
