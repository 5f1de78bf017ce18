// The movie a stub finds in its own file: only a whole, non-empty one behind a valid trailer, read
// while others read the file too; the same verdict on every trailer as the conversions give; and
// its header as the stubs tell it and size their window by it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "packaging/Conversion.h"
#include "platform/File.h"
#include "stubs/rules/BrowserCommand.h"
#include "stubs/rules/EmbeddedMovie.h"
#include "stubs/rules/MovieInfo.h"
#include "tests/MovieCases.h"
#include "tests/TestSupport.h"
#include "tests/TrailerCases.h"

namespace pravix::stub {
namespace {

using test::Bytes;
using test::patternBytes;

class EmbeddedMovieTest : public test::TempDirTest {
 protected:
  std::optional<EmbeddedMovie> open(const Bytes& file, Package kind, std::string& problem) {
    test::writeBytes(path("stub"), file);
    return EmbeddedMovie::open(path("stub"), kind, problem);
  }
};

TEST_F(EmbeddedMovieTest, CopiesTheWholeMovieAndReadsItsHeaderBesideOtherReaders) {
  // Longer than one copied block, with a header the stubs describe.
  const Bytes movie = test::concat({'C', 'W', 'S', 7, 0x10, 0, 0, 0}, patternBytes(70000, 5));
  for (const Package kind : {Package::Projector, Package::ScreenSaver}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const Bytes stub = patternBytes(3000, 9);
    const Bytes file = kind == Package::Projector ? test::projectorBytes(stub, movie)
                                                  : test::screenSaverBytes(stub, movie);
    std::string problem;
    const std::optional<EmbeddedMovie> found = open(file, kind, problem);
    ASSERT_TRUE(found.has_value()) << problem;
    const File otherReader(path("stub"), FileMode::ReadShared);
    EXPECT_EQ(found->length(), 70008u);
    EXPECT_EQ(found->header().compression, Compression::Zlib);
    EXPECT_EQ(found->header().declaredLength, 16u);
    std::string copy;
    {
      CreatedFile output = File::createUnique(dir_.string() + "/", "copy", "");
      copy = output.path;
      found->copyTo(output.file);
    }
    EXPECT_EQ(test::readBytes(copy), movie);
    std::filesystem::remove(copy);
  }
}

TEST_F(EmbeddedMovieTest, EmptyMoviesAndScreenSaverPayloadsWithoutASignatureAreNone) {
  const Bytes stub = patternBytes(3000, 9);
  const struct {
    const char* what;
    Bytes file;
    Package kind;
    std::string reason;
  } cases[] = {
      {"an empty projector movie", test::projectorBytes(stub, {}), Package::Projector,
       "the movie is empty"},
      {"a stub ending in zeros", test::concat(stub, Bytes(4, 0)), Package::ScreenSaver,
       "it has no screen-saver trailer"},
      // A screen saver has no marker: only a movie's signature where its back offset points tells
      // a movie from a stub's last bytes.
      {"an empty screen-saver movie", test::screenSaverBytes(stub, {}), Package::ScreenSaver,
       "it has no screen-saver trailer"},
      {"a screen-saver payload cut inside its signature", test::screenSaverBytes(stub, {'F', 'W'}),
       Package::ScreenSaver, "it has no screen-saver trailer"},
      {"a screen-saver payload without a signature",
       test::screenSaverBytes(stub, patternBytes(100, 3)), Package::ScreenSaver,
       "it has no screen-saver trailer"},
      {"a screen-saver movie before the start",
       {9, 0, 0, 0},
       Package::ScreenSaver,
       "it names a movie longer than the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string problem;
    EXPECT_FALSE(open(c.file, c.kind, problem).has_value());
    EXPECT_EQ(problem, path("stub") + " holds no movie: " + c.reason);
  }
}

class TrailerVerdicts : public EmbeddedMovieTest,
                        public ::testing::WithParamInterface<test::TrailerCase> {};

TEST_P(TrailerVerdicts, TheStubsReaderAndTheExtractionAgree) {
  const test::TrailerCase& c = GetParam();
  std::string problem;
  std::optional<uint64_t> length;
  if (const std::optional<EmbeddedMovie> movie = open(c.file, Package::Projector, problem)) {
    length = movie->length();
  }
  const Result extracted =
      convert(Job{Task::Extract, path("stub"), {}, path("out.swf"), nullptr, nullptr});
  switch (c.verdict) {
    case test::Verdict::Movie:
      EXPECT_EQ(length, c.movie.size()) << problem;
      EXPECT_EQ(extracted.outcome, Outcome::Written);
      EXPECT_EQ(test::readBytes(path("out.swf")), c.movie);
      break;
    case test::Verdict::NotProjector:
    case test::Verdict::Damaged:
      EXPECT_FALSE(length.has_value());
      EXPECT_EQ(problem, path("stub") + " holds no movie: " + c.reason);
      EXPECT_EQ(extracted.outcome, c.verdict == test::Verdict::Damaged ? Outcome::DamagedTrailer
                                                                       : Outcome::NotProjector);
      EXPECT_EQ(extracted.reason, c.reason);
      EXPECT_FALSE(std::filesystem::exists(path("out.swf")));
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, TrailerVerdicts, ::testing::ValuesIn(test::trailerCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Whether this build's reader has liblzma: natively, not on Win32.
#ifdef PRAVIX_HAVE_LZMA
constexpr bool kLzmaBuild = true;
#else
constexpr bool kLzmaBuild = false;
#endif

class MovieHeaders : public EmbeddedMovieTest,
                     public ::testing::WithParamInterface<test::MovieCase> {};

TEST_P(MovieHeaders, TheStubsTellAndSizeTheirWindowByWhatTheReaderReads) {
  const test::MovieCase& c = GetParam();
  std::string problem;
  const std::optional<EmbeddedMovie> found =
      open(test::projectorBytes(patternBytes(500, 6), c.movie), Package::Projector, problem);
  ASSERT_TRUE(found.has_value()) << problem;
  const MovieHeader header = found->header();
  const std::string description = describeMovie(found->length(), header, Detail::Full);
  const WindowSize window = stageWindowSize(header, {1000, 700});
  if (c.lzma && !kLzmaBuild) {
    EXPECT_FALSE(header.hasFrameInfo);
    EXPECT_TRUE(header.frameUnknown);
    EXPECT_EQ(header.error, "");
    EXPECT_EQ(description.substr(description.rfind('\n') + 1), "Frame: compressed, size unknown");
    EXPECT_EQ(window.width, 550);
    EXPECT_EQ(window.height, 400);
    return;
  }
  EXPECT_EQ(header.hasFrameInfo, c.frame);
  EXPECT_FALSE(header.frameUnknown);
  EXPECT_EQ(header.error, c.error);
  EXPECT_EQ(header.declaredLength, 25u);
  if (!c.frame) {
    EXPECT_EQ(description.substr(description.rfind('\n') + 1), "Version: 10");
    EXPECT_EQ(window.width, 550);
    EXPECT_EQ(window.height, 400);
    return;
  }
  EXPECT_EQ(header.widthTwips, c.width * 20);
  EXPECT_EQ(header.heightTwips, c.height * 20);
  const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
  EXPECT_NE(description.find("\nFrame size: " + size + " px\nFrame rate: 12.5 fps\nFrame count: 3"),
            std::string::npos)
      << description;
  // A stage of no size gives Flash's own.
  EXPECT_EQ(window.width, c.width > 0 ? c.width : 550);
  EXPECT_EQ(window.height, c.height > 0 ? c.height : 400);
}

INSTANTIATE_TEST_SUITE_P(Movies, MovieHeaders, ::testing::ValuesIn(test::movieCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EmbeddedMovieTest, AFileThatCannotBeOpenedSaysWhy) {
  std::string problem;
  EXPECT_FALSE(EmbeddedMovie::open(path("absent"), Package::Projector, problem).has_value());
  EXPECT_EQ(problem, test::openMessage(path("absent"), test::kFileNotFound));
}

}  // namespace
}  // namespace pravix::stub
