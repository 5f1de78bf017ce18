// The movie a stub finds in its own file: only a whole, non-empty one behind a valid trailer, read
// while others read the file too.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/File.h"
#include "stubs/EmbeddedMovie.h"
#include "tests/TestSupport.h"

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
    EXPECT_EQ(found->header().signature, MovieHeader::Signature::Zlib);
    EXPECT_EQ(found->header().declaredLength, 16u);
    {
      int error = 0;
      std::optional<File> output = File::createNew(path("copy"), error);
      ASSERT_TRUE(output.has_value()) << error;
      found->copyTo(*output);
    }
    EXPECT_EQ(test::readBytes(path("copy")), movie);
    std::filesystem::remove(path("copy"));
  }
}

TEST_F(EmbeddedMovieTest, NoTrailerAMovieOutsideTheFileAndAnEmptyMovieAreNone) {
  const Bytes stub = patternBytes(3000, 9);
  const struct {
    const char* what;
    Bytes file;
    Package kind;
  } cases[] = {
      {"a bare stub", stub, Package::Projector},
      {"an empty projector movie", test::projectorBytes(stub, {}), Package::Projector},
      {"a projector movie before the start",
       {0x56, 0x34, 0x12, 0xFA, 1, 0, 0, 0},
       Package::Projector},
      {"a stub ending in zeros", test::concat(stub, Bytes(4, 0)), Package::ScreenSaver},
      {"an empty screen-saver movie", test::screenSaverBytes(stub, {}), Package::ScreenSaver},
      {"a screen-saver movie before the start", {9, 0, 0, 0}, Package::ScreenSaver},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string problem;
    EXPECT_FALSE(open(c.file, c.kind, problem).has_value());
    EXPECT_EQ(problem, path("stub") + " holds no movie");
  }
}

TEST_F(EmbeddedMovieTest, AFileThatCannotBeOpenedSaysWhy) {
  std::string problem;
  EXPECT_FALSE(EmbeddedMovie::open(path("absent"), Package::Projector, problem).has_value());
  EXPECT_EQ(problem, test::openMessage(path("absent"), test::kFileNotFound));
}

}  // namespace
}  // namespace pravix::stub
