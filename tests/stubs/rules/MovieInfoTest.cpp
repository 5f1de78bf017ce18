// A movie's header as the stubs describe it, in full and briefly.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "packaging/MovieHeader.h"
#include "stubs/rules/MovieInfo.h"
#include "tests/TestSupport.h"

namespace pravix::stub {
namespace {

using test::Bytes;

MovieHeader header(const Bytes& bytes) {
  return readMovieHeader(test::readerOver(bytes), 0, bytes.size());
}

using test::kStageFrame;

TEST(MovieInfo, DescribesEachKindOfHeaderInFullAndBriefly) {
  Bytes fractional = test::movieStart("FWS", kStageFrame);
  fractional[17] = 0xF8;  // 0x1DF8 / 256 = 29.97 fps
  fractional[18] = 0x1D;
  const Bytes negative =
      test::movieStart("FWS", {0x5F, 0x38, 0x64, 0x1F, 0xB3, 0xFB, 0x00, 0x80, 0x0C, 0xFF, 0xFF});
  const struct {
    Bytes bytes;
    std::string full;
    std::string brief;
  } cases[] = {
      {test::movieStart("FWS", kStageFrame),
       "Movie size: 1234 bytes\nSignature: FWS (not compressed)\nVersion: 10\n"
       "Frame size: 550 x 400 px\nFrame rate: 24 fps\nFrame count: 1",
       "1234 bytes\nFWS v10"},
      {fractional,
       "Movie size: 1234 bytes\nSignature: FWS (not compressed)\nVersion: 10\n"
       "Frame size: 550 x 400 px\nFrame rate: 29.97 fps\nFrame count: 1",
       "1234 bytes\nFWS v10"},
      {negative,
       "Movie size: 1234 bytes\nSignature: FWS (not compressed)\nVersion: 10\n"
       "Frame size: 50 x 0.5 px\nFrame rate: 12.5 fps\nFrame count: 65535",
       "1234 bytes\nFWS v10"},
      {test::movieStart("CWS", kStageFrame),
       "Movie size: 1234 bytes\nSignature: CWS (zlib compressed)\nVersion: 10",
       "1234 bytes\nCWS v10"},
      {test::movieStart("ZWS", {}),
       "Movie size: 1234 bytes\nSignature: ZWS (LZMA compressed)\nVersion: 10",
       "1234 bytes\nZWS v10"},
      {{'a', 'b', 'c', 7},
       "Movie size: 1234 bytes\nSignature: abc (not a recognised movie signature)\n"
       "Version byte: 7",
       "1234 bytes\nNot a movie: abc"},
      {{0x00, 0xFF, 'A', 7},
       "Movie size: 1234 bytes\nSignature: 00 FF 41 (not a recognised movie signature)\n"
       "Version byte: 7",
       "1234 bytes\nNot a movie: 00 FF 41"},
      {{'F', 'W', 'S'},
       "Movie size: 1234 bytes\nToo short to hold a movie header",
       "1234 bytes\nToo short to hold a movie header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.full);
    EXPECT_EQ(describeMovie(1234, header(c.bytes), Detail::Full), c.full);
    EXPECT_EQ(describeMovie(1234, header(c.bytes), Detail::Brief), c.brief);
  }
}

TEST(MovieInfo, AFrameThisBuildCannotUnpackIsToldAsUnknown) {
  MovieHeader lzma;
  lzma.hasSignature = true;
  std::copy_n("ZWS", 3, lzma.signatureBytes);
  lzma.version = 17;
  lzma.compression = Compression::Lzma;
  lzma.hasLength = true;
  lzma.declaredLength = 5000;
  lzma.frameUnknown = true;
  EXPECT_EQ(describeMovie(1, lzma, Detail::Full),
            "Movie size: 1 byte\nSignature: ZWS (LZMA compressed)\nVersion: 17\n"
            "Frame: compressed, size unknown");
  EXPECT_EQ(describeMovie(1, lzma, Detail::Brief), "1 byte\nZWS v17");
}

}  // namespace
}  // namespace pravix::stub
