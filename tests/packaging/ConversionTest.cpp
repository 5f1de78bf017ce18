// The conversions: both layouts byte for byte, round trips, every outcome and failure with its
// message, and what must stay untouched on disk when a conversion fails.
#include <gtest/gtest.h>

#include <filesystem>

#include "packaging/Conversion.h"
#include "packaging/GlobalUnit.h"
#include "platform/File.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::concat;
using test::createMessage;
using test::openMessage;
using test::patternBytes;
using test::projectorTrailer;
using test::readBytes;
using test::snapshot;
using test::writeBytes;

const Bytes kStub = patternBytes(500, 7);

// Runs `call`, expecting an exception of type E whose message is `message`.
template <typename E, typename Call>
void expectThrowWithMessage(Call call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no exception; expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.what(), message);
  }
}

class Conversions : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    writeBytes(path("Player.exe"), kStub);
    writeBytes(path("Quendel.dll"), kStub);
  }

  Outcome pack(Task task, const std::string& stub, const std::string& source,
               const std::string& target) {
    return convert(Job{task, source, stub, target, nullptr, nullptr}).outcome;
  }
  bool packProjector(const std::string& source, const std::string& target) {
    return pack(Task::PackProjector, path("Player.exe"), source, target) == Outcome::Written;
  }
  bool packScreenSaver(const std::string& source, const std::string& target) {
    return pack(Task::PackScreenSaver, path("Quendel.dll"), source, target) == Outcome::Written;
  }
};

TEST_F(Conversions, EmptyMovieGivesStubAndTrailerOnly) {
  writeBytes(path("empty.swf"), {});
  ASSERT_TRUE(packProjector(path("empty.swf"), path("empty.exe")));
  EXPECT_EQ(readBytes(path("empty.exe")), concat(kStub, {0x56, 0x34, 0x12, 0xFA, 0, 0, 0, 0}));
  ASSERT_TRUE(packScreenSaver(path("empty.swf"), path("empty.scr")));
  EXPECT_EQ(readBytes(path("empty.scr")), concat(kStub, {0x04, 0, 0, 0}));

  ASSERT_TRUE(ExeToSwf(path("empty.exe"), path("back.swf")));
  EXPECT_TRUE(readBytes(path("back.swf")).empty());
}

TEST_F(Conversions, HundredByteMovieBehindFiveHundredByteStub) {
  const Bytes movie = patternBytes(100, 3);
  writeBytes(path("m.swf"), movie);
  ASSERT_TRUE(packProjector(path("m.swf"), path("m.exe")));
  const Bytes projector = readBytes(path("m.exe"));
  ASSERT_EQ(projector.size(), 608u);
  EXPECT_EQ(Bytes(projector.end() - 8, projector.end()),
            (Bytes{0x56, 0x34, 0x12, 0xFA, 0x64, 0, 0, 0}));

  ASSERT_TRUE(packScreenSaver(path("m.swf"), path("m.scr")));
  const Bytes saver = readBytes(path("m.scr"));
  ASSERT_EQ(saver.size(), 604u);
  EXPECT_EQ(Bytes(saver.end() - 4, saver.end()), (Bytes{0x68, 0, 0, 0}));
}

class RoundTrip : public Conversions, public ::testing::WithParamInterface<size_t> {};

TEST_P(RoundTrip, BothLayoutsByteForByteAndTheMovieComesBackIdentical) {
  const size_t size = GetParam();
  const Bytes movie = patternBytes(size, static_cast<uint32_t>(size));
  writeBytes(path("movie.swf"), movie);

  ASSERT_TRUE(packProjector(path("movie.swf"), path("movie.exe")));
  EXPECT_EQ(readBytes(path("movie.exe")), test::projectorBytes(kStub, movie));
  ASSERT_TRUE(packScreenSaver(path("movie.swf"), path("movie.scr")));
  EXPECT_EQ(readBytes(path("movie.scr")), test::screenSaverBytes(kStub, movie));

  ASSERT_TRUE(ExeToSwf(path("movie.exe"), path("back.swf")));
  EXPECT_EQ(readBytes(path("back.swf")), movie);
  EXPECT_EQ(readBytes(path("movie.swf")), movie);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTrip,
                         ::testing::Values(0, 1, 7, 8, 61439, 61440, 61441, 122879, 122880, 122881,
                                           3 * 1024 * 1024 + 17));

TEST_F(Conversions, ExtractionFindsTheMovieFromTheTrailerAlone) {
  // No stub of a known size: a file that merely ends in a projector trailer is a projector.
  const Bytes movie = patternBytes(1000, 11);
  writeBytes(path("odd.bin"), concat(concat(patternBytes(1234, 5), movie), projectorTrailer(1000)));
  ASSERT_TRUE(ExeToSwf(path("odd.bin"), path("out.swf")));
  EXPECT_EQ(readBytes(path("out.swf")), movie);

  // The whole file may be the movie.
  writeBytes(path("bare.bin"), concat(movie, projectorTrailer(1000)));
  ASSERT_TRUE(ExeToSwf(path("bare.bin"), path("bare.swf")));
  EXPECT_EQ(readBytes(path("bare.swf")), movie);

  writeBytes(path("zero.exe"), concat(kStub, projectorTrailer(0)));
  ASSERT_TRUE(ExeToSwf(path("zero.exe"), ""));
  EXPECT_TRUE(readBytes(path("zero.swf")).empty());
}

TEST_F(Conversions, AStreamIsWrittenAtItsPositionAndNoFileIsMade) {
  const Bytes movie = patternBytes(70000, 8);
  writeBytes(path("m.swf"), movie);
  writeBytes(path("m.exe"), test::projectorBytes(kStub, movie));
  const auto before = snapshot(dir_);
  std::string stream;
  {
    CreatedFile out = File::createUnique(dir_.string() + "/", "stream", "");
    stream = out.path;
    out.file.writeExactly("head", 4);
    EXPECT_EQ(convert(Job{Task::Extract, path("m.exe"), {}, {}, &out.file, nullptr}).outcome,
              Outcome::Written);
    EXPECT_EQ(
        convert(
            Job{Task::PackScreenSaver, path("m.swf"), path("Quendel.dll"), {}, &out.file, nullptr})
            .outcome,
        Outcome::Written);
  }
  EXPECT_EQ(readBytes(stream),
            concat(concat({'h', 'e', 'a', 'd'}, movie), test::screenSaverBytes(kStub, movie)));
  fs::remove(stream);
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Conversions, TargetsAreReplacedWithoutAQuestion) {
  const Bytes movie = patternBytes(300, 2);
  writeBytes(path("m.swf"), movie);
  writeBytes(path("m.exe"), patternBytes(100000, 9));
  writeBytes(path("out.swf"), patternBytes(100000, 9));
  ASSERT_TRUE(packProjector(path("m.swf"), path("m.exe")));
  EXPECT_EQ(readBytes(path("m.exe")), concat(concat(kStub, movie), projectorTrailer(300)));
  ASSERT_TRUE(ExeToSwf(path("m.exe"), path("out.swf")));
  EXPECT_EQ(readBytes(path("out.swf")), movie);
}

TEST_F(Conversions, ATargetIsUsedWhateverItsExtension) {
  writeBytes(path("m.swf"), patternBytes(10));
  ASSERT_TRUE(packProjector(path("m.swf"), path("projector.dat")));
  ASSERT_TRUE(ExeToSwf(path("projector.dat"), path("movie.bin")));
  EXPECT_EQ(readBytes(path("movie.bin")), patternBytes(10));
}

TEST_F(Conversions, ExtractionDefaultsToTheSwfBesideTheSource) {
  writeBytes(path("My.Movie.EXE"), concat(concat(kStub, patternBytes(20)), projectorTrailer(20)));
  ASSERT_TRUE(ExeToSwf(path("My.Movie.EXE"), ""));
  EXPECT_EQ(readBytes(path("My.Movie.swf")), patternBytes(20));
}

TEST_F(Conversions, PackingWithoutAStubReturnsFalseAndChangesNothing) {
  writeBytes(path("m.swf"), patternBytes(10));
  writeBytes(path("m.exe"), patternBytes(777, 4));
  const auto before = snapshot(dir_);
  for (const char* target : {"m.exe", "new.exe"}) {
    EXPECT_EQ(pack(Task::PackProjector, path("NoSuchStub.exe"), path("m.swf"), path(target)),
              Outcome::NoStub);
    EXPECT_EQ(pack(Task::PackScreenSaver, path("NoSuchStub.dll"), path("m.swf"), path(target)),
              Outcome::NoStub);
  }
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Conversions, SourceAndTargetTheSameFileAreRefusedBeforeAnythingIsWritten) {
  writeBytes(path("intro.exe"), concat(concat(kStub, patternBytes(64)), projectorTrailer(64)));
  const auto before = snapshot(dir_);
  const std::string message = "\"" + path("intro.exe") + "\" is both the source and the target";
  // Another spelling of the same file too.
  for (const std::string& target : {path("intro.exe"), (dir_ / "." / "intro.exe").string()}) {
    expectThrowWithMessage<FileRefusedError>([&] { packProjector(path("intro.exe"), target); },
                                             message);
    expectThrowWithMessage<FileRefusedError>([&] { packScreenSaver(path("intro.exe"), target); },
                                             message);
    expectThrowWithMessage<FileRefusedError>([&] { ExeToSwf(path("intro.exe"), target); }, message);
  }
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Conversions, MissingSourceGivesTheOpenMessageWithTheAbsolutePath) {
  const auto before = snapshot(dir_);
  expectThrowWithMessage<FileOpenError>([&] { ExeToSwf(path("absent.exe"), path("out.swf")); },
                                        openMessage(path("absent.exe"), test::kFileNotFound));
  writeBytes(path("absent.exe"), patternBytes(30, 5));
  const auto withTarget = snapshot(dir_);
  expectThrowWithMessage<FileOpenError>(
      [&] { packProjector(path("absent.swf"), path("absent.exe")); },
      openMessage(path("absent.swf"), test::kFileNotFound));
  EXPECT_EQ(snapshot(dir_), withTarget);
}

TEST_F(Conversions, RelativePathsAreShownAbsolute) {
  const test::CurrentDirectory inDir(dir_);
  expectThrowWithMessage<FileOpenError>(
      [] { ExeToSwf("absent.exe", ""); },
      openMessage((fs::current_path() / "absent.exe").string(), test::kFileNotFound));
}

TEST_F(Conversions, MovieHeldOpenByAnotherOpenerFailsBeforeAnythingIsWritten) {
  writeBytes(path("m.swf"), patternBytes(100));
  {
    File holder(path("m.swf"), FileMode::ReadExisting);
    expectThrowWithMessage<FileOpenError>([&] { packProjector(path("m.swf"), path("m.exe")); },
                                          openMessage(path("m.swf"), test::kSharingViolation));
    expectThrowWithMessage<FileOpenError>([&] { ExeToSwf(path("m.swf"), path("x.swf")); },
                                          openMessage(path("m.swf"), test::kSharingViolation));
  }
  EXPECT_EQ(snapshot(dir_),
            (std::map<std::string, Bytes>{
                {"Player.exe", kStub}, {"Quendel.dll", kStub}, {"m.swf", patternBytes(100)}}));
}

TEST_F(Conversions, AReadOnlyStubGivesResultsThatLaterRunsCanReplace) {
  writeBytes(path("m.swf"), patternBytes(100));
  test::makeReadOnly(path("Player.exe"));
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(packProjector(path("m.swf"), path("m.exe"))) << run;
    EXPECT_EQ(readBytes(path("m.exe")),
              concat(concat(kStub, patternBytes(100)), projectorTrailer(100)));
    EXPECT_NE(fs::status(path("m.exe")).permissions() & fs::perms::owner_write, fs::perms::none);
  }
}

TEST_F(Conversions, ExtractionTargetThatCannotBeCreated) {
  writeBytes(path("p.exe"), concat(concat(kStub, patternBytes(64)), projectorTrailer(64)));
  fs::create_directory(path("folder.swf"));
  expectThrowWithMessage<FileRefusedError>(
      [&] { ExeToSwf(path("p.exe"), path("folder.swf")); },
      "\"" + path("folder.swf") + "\" is a folder, not a file");

  writeBytes(path("held.swf"), patternBytes(50));
  {
    File holder(path("held.swf"), FileMode::ReadExisting);
    expectThrowWithMessage<FileCreateError>(
        [&] { ExeToSwf(path("p.exe"), path("held.swf")); },
        createMessage(path("held.swf"), test::kSharingViolation));
  }
  EXPECT_EQ(readBytes(path("held.swf")), patternBytes(50));
  EXPECT_EQ(snapshot(dir_).size(), 4u);  // no unfinished replacement stays behind
}

TEST_F(Conversions, NoMarkerReturnsFalseAndCreatesNoFile) {
  writeBytes(path("plain.exe"), patternBytes(4096));
  writeBytes(path("m.swf"), patternBytes(300));
  ASSERT_TRUE(packScreenSaver(path("m.swf"), path("saver.scr")));
  const auto before = snapshot(dir_);
  EXPECT_FALSE(ExeToSwf(path("plain.exe"), ""));
  EXPECT_FALSE(ExeToSwf(path("saver.scr"), path("out.swf")));
  // Four to seven bytes are read from the start: the first four are taken as the marker.
  writeBytes(path("short.exe"), {1, 2, 3, 4, 5, 6});
  EXPECT_FALSE(ExeToSwf(path("short.exe"), path("out.swf")));
  fs::remove(path("short.exe"));
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Conversions, ShortFilesAndOverlongLengthsRaiseTheReadErrorBeforeTheTarget) {
  writeBytes(path("out.swf"), patternBytes(999, 6));
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty.exe", {}},
      {"three.exe", {0x56, 0x34, 0x12}},
      {"marker-only.exe", {0x56, 0x34, 0x12, 0xFA}},
      {"marker-and-three.exe", {0x56, 0x34, 0x12, 0xFA, 1, 0, 0}},
      {"claims-one-more.exe", concat(patternBytes(10), projectorTrailer(11))},
      {"claims-everything.exe", concat(patternBytes(10), projectorTrailer(0xFFFFFFFF))},
      {"claims-the-trailer.exe", concat(patternBytes(2), projectorTrailer(6))},
  };
  for (const auto& c : cases) writeBytes(path(c.name), c.bytes);
  const auto before = snapshot(dir_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectThrowWithMessage<StreamReadError>([&] { ExeToSwf(path(c.name), path("out.swf")); },
                                            "Stream read error");
  }
  EXPECT_EQ(snapshot(dir_), before);
}

TEST_F(Conversions, MoviesTooLargeForTheTrailerAreRefusedBeforeAnythingIsWritten) {
  // Sparse files: the size is what matters, nothing is read.
  const struct {
    Package package;
    uint64_t size;
  } cases[] = {{Package::Projector, 0x100000000ull},
               {Package::ScreenSaver, 0xFFFFFFFCull},
               {Package::ScreenSaver, 0x100000000ull},
               {Package::Projector, 0x100000010ull}};
  for (const auto& c : cases) {
    writeBytes(path("big.swf"), {});
    fs::resize_file(path("big.swf"), c.size);
    const bool projector = c.package == Package::Projector;
    SCOPED_TRACE(c.size);
    expectThrowWithMessage<FileRefusedError>(
        [&] {
          pack(projector ? Task::PackProjector : Task::PackScreenSaver,
               path(projector ? "Player.exe" : "Quendel.dll"), path("big.swf"), path("big.out"));
        },
        "\"" + path("big.swf") + "\" is too large: " +
            (c.package == Package::Projector
                 ? "a projector's movie must be smaller than 4 GiB"
                 : "a screen saver's movie must be smaller than 4 GiB less 4 bytes"));
    EXPECT_FALSE(fs::exists(path("big.out")));
  }
}

}  // namespace
}  // namespace pravix
