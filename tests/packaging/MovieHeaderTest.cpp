// A movie's header: the signatures, the frame's bit-packed rectangle at the edges of its field
// width, and the numbers as every description writes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packaging/MovieHeader.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

using test::Bytes;
using Signature = MovieHeader::Signature;

using test::kStageFrame;

MovieHeader header(const Bytes& bytes) {
  return readMovieHeader(bytes.data(), bytes.size());
}

TEST(MovieHeader, SignatureVersionAndDeclaredLength) {
  const MovieHeader plain = header(test::movieStart("FWS", kStageFrame));
  EXPECT_EQ(plain.signature, Signature::Uncompressed);
  EXPECT_EQ(plain.version, 10);
  EXPECT_TRUE(plain.hasLength);
  EXPECT_EQ(plain.declaredLength, 0x00012345u);
  EXPECT_TRUE(plain.hasFrameInfo);

  // Compressed bytes are never read as a frame.
  EXPECT_EQ(header(test::movieStart("CWS", kStageFrame)).signature, Signature::Zlib);
  EXPECT_FALSE(header(test::movieStart("CWS", kStageFrame)).hasFrameInfo);
  EXPECT_EQ(header(test::movieStart("ZWS", kStageFrame)).signature, Signature::Lzma);
  EXPECT_FALSE(header(test::movieStart("ZWS", kStageFrame)).hasFrameInfo);
  EXPECT_EQ(header(test::movieStart("fws", kStageFrame)).signature, Signature::Unknown);

  const MovieHeader four = header({'F', 'W', 'S', 9});
  EXPECT_EQ(four.signature, Signature::Uncompressed);
  EXPECT_EQ(four.version, 9);
  EXPECT_FALSE(four.hasLength);
  EXPECT_FALSE(header({'F', 'W', 'S', 9, 1, 2, 3}).hasLength);
  EXPECT_EQ(header({'F', 'W', 'S'}).signature, Signature::TooShort);
  EXPECT_EQ(header({}).signature, Signature::TooShort);
}

TEST(MovieHeader, FrameRectangleAtTheEdgesOfItsFieldWidth) {
  const struct {
    const char* what;
    Bytes frame;
    int32_t width;
    int32_t height;
  } cases[] = {
      {"0 bits", {0x00, 0x00, 0x18, 0x01, 0x00}, 0, 0},
      {"15 bits", kStageFrame, 11000, 8000},
      // 11 bits: -200 to 800, -20 to -10.
      {"negative coordinates",
       {0x5F, 0x38, 0x64, 0x1F, 0xB3, 0xFB, 0x00, 0x00, 0x18, 0x01, 0x00},
       1000,
       10},
      // 31 bits: -1 to 0x3FFFFFFF, -0x40000000 to 0.
      {"31 bits",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xF7, 0xFF, 0xFF, 0xFF, 0xF0, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18, 0x01, 0x00},
       0x40000000,
       0x40000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MovieHeader read;
    ASSERT_TRUE(readMovieFrame(c.frame.data(), c.frame.size(), read));
    EXPECT_TRUE(read.hasFrameInfo);
    EXPECT_EQ(read.widthTwips, c.width);
    EXPECT_EQ(read.heightTwips, c.height);
    EXPECT_EQ(read.frameRate, 0x1800);
    EXPECT_EQ(read.frameCount, 1);
  }
}

TEST(MovieHeader, TruncatedFramesAreNotRead) {
  // Cut inside the rectangle, and inside the frame rate and count after it.
  for (const size_t count : {size_t{0}, size_t{1}, size_t{8}, size_t{9}, size_t{12}}) {
    SCOPED_TRACE(count);
    MovieHeader read;
    EXPECT_FALSE(readMovieFrame(kStageFrame.data(), count, read));
    EXPECT_FALSE(read.hasFrameInfo);
  }
  Bytes cut = test::movieStart("FWS", kStageFrame);
  cut.pop_back();
  EXPECT_FALSE(header(cut).hasFrameInfo);
}

TEST(MovieHeader, NumbersKeepAtMostTwoDecimalsAndNoTrailingZeros) {
  EXPECT_EQ(pixelsText(11000), "550");
  EXPECT_EQ(pixelsText(10), "0.5");
  EXPECT_EQ(pixelsText(-25), "-1.25");
  EXPECT_EQ(pixelsText(0), "0");
  EXPECT_EQ(frameRateText(0x1800), "24");
  EXPECT_EQ(frameRateText(0x0C80), "12.5");
  EXPECT_EQ(frameRateText(0x1DF8), "29.97");
}

}  // namespace
}  // namespace pravix
