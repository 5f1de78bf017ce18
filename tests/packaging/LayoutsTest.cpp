// Every layout's reader on files built byte by byte from each layout's description: where the
// movie lies, what each layout's evidence needs, and which layout wins when several could.
#include <gtest/gtest.h>

#include <filesystem>

#include "packaging/Layouts.h"
#include "tests/LayoutBytes.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::concat;
using test::patternBytes;

using Status = MovieLocation::Status;

const Bytes kMovie = patternBytes(300, 41);
const Bytes kStub = patternBytes(700, 42);

MovieLocation find(const Bytes& file) {
  return findMovie(file.size(), test::readerOver(file));
}

struct Case {
  const char* name;
  Bytes file;
  Status status;
  Layout layout;
  uint64_t offset;
  uint64_t length;
  Storage storage = Storage::Plain;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class Layouts : public ::testing::TestWithParam<Case> {};

TEST_P(Layouts, FindTheMovieWhereTheLayoutPutsIt) {
  const Case& c = GetParam();
  const MovieLocation found = find(c.file);
  EXPECT_EQ(found.status, c.status) << found.reason;
  if (c.status == Status::NoTrailer) return;
  EXPECT_EQ(found.layout, c.layout);
  if (c.status != Status::Found) return;
  EXPECT_EQ(found.offset, c.offset);
  EXPECT_EQ(found.length, c.length);
  EXPECT_EQ(found.storage, c.storage);
}

std::vector<Case> cases() {
  // Images ending in their section table (as linkers lay them out), or in a section's bytes.
  const Bytes elf32 = test::elfImage(false, 200, 200, 120);
  const Bytes elf32Data = test::elfImage(false, 100, 120, 400);
  const Bytes elf64 = test::elfImage(true, 300, 300, 150);
  const Bytes elf64Segment = test::elfImage(true, 900, 300, 150);
  // The movie's 300 bytes, stored as they are or standing for deflated ones of a larger movie.
  const auto zipOf = [](const Bytes& prefix, const std::string& name, uint16_t method) {
    return test::zipBytes(prefix, {{"Movie.app/Contents/Info.plist", 0, patternBytes(50, 3), 50, 0},
                                   {name, method, kMovie, method == 0 ? 300u : 1000u, 0}});
  };
  const Bytes zip = zipOf({}, test::kAppMovieEntry, 0);
  // Local header, then the plist's 50 bytes, then the movie's local header (30 + name).
  const uint64_t movieHeaderAt = 30 + 29 + 50;
  const uint64_t zipMovieAt = movieHeaderAt + 30 + std::string(test::kAppMovieEntry).size();
  Bytes zipWithoutHeader = zip;
  zipWithoutHeader[movieHeaderAt] = 'X';
  const Bytes saverMovie = concat(test::signedMovie(), kMovie);
  return {
      {"LinuxI386", test::linuxProjector(false, elf32, kMovie), Status::Found,
       Layout::LinuxI386Projector, 200 + 3 * 40 + 8, 300},
      {"LinuxI386EndingInASection", test::linuxProjector(false, elf32Data, kMovie), Status::Found,
       Layout::LinuxI386Projector, 408, 300},
      {"LinuxX8664", test::linuxProjector(true, elf64, kMovie), Status::Found,
       Layout::LinuxX8664Projector, 300 + 3 * 64 + 16, 300},
      {"LinuxX8664EndingInASegment", test::linuxProjector(true, elf64Segment, kMovie),
       Status::Found, Layout::LinuxX8664Projector, 916, 300},
      {"LinuxEmptyMovie", test::linuxProjector(true, elf64, {}), Status::Found,
       Layout::LinuxX8664Projector, 508, 0},
      {"LinuxLengthOneTooMany", test::linuxProjector(false, elf32, kMovie, 301), Status::Damaged,
       Layout::LinuxI386Projector, 0, 0},
      {"LinuxLengthAllOnes", test::linuxProjector(true, elf64, kMovie, UINT64_MAX - 1),
       Status::Damaged, Layout::LinuxX8664Projector, 0, 0},
      {"LinuxThirtyTwoBitMarkerInASixtyFourBitImage",
       concat(concat(elf64, test::little(300, 4)), concat({0x56, 0x34, 0x12, 0xFA}, kMovie)),
       Status::NoTrailer, Layout::Projector, 0, 0},
      {"ElfWithoutAMovie", concat(elf32, kMovie), Status::NoTrailer, Layout::Projector, 0, 0},
      {"ElfTableBeyondTheFile", Bytes(elf32.begin(), elf32.end() - 1), Status::NoTrailer,
       Layout::Projector, 0, 0},
      {"ClassicMac", test::classicMacProjector(kStub, kMovie), Status::Found,
       Layout::ClassicMacProjector, 700, 300},
      {"ClassicMacWholeFile", test::classicMacProjector({}, kMovie), Status::Found,
       Layout::ClassicMacProjector, 0, 300},
      {"ClassicMacOneTooMany",
       concat(concat(kStub, kMovie), {0, 0, 0x03, 0xE9, 0xFA, 0x12, 0x34, 0x56}), Status::Damaged,
       Layout::ClassicMacProjector, 0, 0},
      {"ClassicMacMarkerAlone",
       {0xFA, 0x12, 0x34, 0x56},
       Status::Damaged,
       Layout::ClassicMacProjector,
       0,
       0},
      {"ZipStored", zip, Status::Found, Layout::MacAppZip, zipMovieAt, 300},
      {"ZipDeflated", zipOf({}, test::kAppMovieEntry, 8), Status::Found, Layout::MacAppZip,
       zipMovieAt, 300, Storage::Deflated},
      {"ZipAfterAProgram", zipOf(kStub, test::kAppMovieEntry, 0), Status::Found, Layout::MacAppZip,
       700 + zipMovieAt, 300},
      {"ZipInAFolder", zipOf({}, "dist/My Movie.app/Contents/Resources/movie.swf", 0),
       Status::Found, Layout::MacAppZip, zipMovieAt - 38 + 46, 300},
      {"ZipWithoutAnApp", zipOf({}, "Contents/Resources/movie.swf", 0), Status::NoTrailer,
       Layout::Projector, 0, 0},
      {"ZipOfAnotherFile", zipOf({}, "Movie.app/Contents/Resources/movie.swf.bak", 0),
       Status::NoTrailer, Layout::Projector, 0, 0},
      {"ZipImploded", zipOf({}, test::kAppMovieEntry, 6), Status::Damaged, Layout::MacAppZip, 0, 0},
      {"ZipEntryNotWhereItsDirectorySays", zipWithoutHeader, Status::Damaged, Layout::MacAppZip, 0,
       0},
      {"ScreenSaverOfAMovie", test::screenSaverBytes(kStub, saverMovie), Status::Found,
       Layout::ScreenSaver, 700, saverMovie.size()},
      {"ScreenSaverOfNoMovie", test::screenSaverBytes(kStub, kMovie), Status::NoTrailer,
       Layout::Projector, 0, 0},
      // Our projector's marker is the strongest evidence: it wins over an ELF stub's.
      {"OurProjectorBehindAnElfStub", test::projectorBytes(elf32, kMovie), Status::Found,
       Layout::Projector, elf32.size(), 300},
      {"OurDamagedTrailer", concat(kStub, test::projectorTrailer(701)), Status::Damaged,
       Layout::Projector, 0, 0},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, Layouts, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

class AppFolder : public test::TempDirTest {};

TEST_F(AppFolder, IsTheFolderWhoseMovieFileStartsWithASignature) {
  const fs::path resources = dir_ / "Movie.app" / "Contents" / "Resources";
  fs::create_directories(resources);
  EXPECT_FALSE(appFolderMovie(path("Movie.app"), FileRules::Unix));
  test::writeBytes(resources / "movie.swf", kMovie);
  EXPECT_FALSE(appFolderMovie(path("Movie.app"), FileRules::Unix));
  test::writeBytes(resources / "movie.swf", test::signedMovie());
  EXPECT_EQ(appFolderMovie(path("Movie.app"), FileRules::Unix),
            path("Movie.app") + "/Contents/Resources/movie.swf");
  // The name of the folder counts for nothing; a file is no folder.
  fs::rename(dir_ / "Movie.app", dir_ / "renamed");
  EXPECT_TRUE(appFolderMovie(path("renamed"), FileRules::Unix));
  EXPECT_FALSE(appFolderMovie(path("renamed/Contents/Resources/movie.swf"), FileRules::Unix));
}

}  // namespace
}  // namespace pravix
