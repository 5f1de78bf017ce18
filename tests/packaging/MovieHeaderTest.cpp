// A movie's header: the signatures, the frame's bit-packed rectangle at the edges of its field
// width, a frame cut short or impossible, and the numbers as every description writes them. The
// compressed movies are in tests/MovieCases.h, read through the stubs and `pravix`, which also
// show each compression's names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packaging/MovieHeader.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

using test::Bytes;
using test::kStageFrame;

MovieHeader header(const Bytes& bytes) {
  return readMovieHeader(test::readerOver(bytes), 0, bytes.size());
}

TEST(MovieHeader, SignatureVersionAndDeclaredLength) {
  const MovieHeader plain = header(test::movieStart("FWS", kStageFrame));
  EXPECT_EQ(plain.compression, Compression::None);
  EXPECT_EQ(plain.version, 10);
  EXPECT_TRUE(plain.hasLength);
  EXPECT_EQ(plain.declaredLength, 0x00012345u);
  EXPECT_TRUE(plain.hasFrameInfo);
  EXPECT_EQ(plain.error, "");

  EXPECT_EQ(header(test::movieStart("CWS", {})).compression, Compression::Zlib);
  EXPECT_EQ(header(test::movieStart("ZWS", {})).compression, Compression::Lzma);
  const MovieHeader other = header(test::movieStart("fws", kStageFrame));
  EXPECT_TRUE(other.hasSignature);
  EXPECT_FALSE(other.compression.has_value());
  EXPECT_EQ(other.error, "the movie's signature is not FWS, CWS or ZWS");

  const MovieHeader four = header({'F', 'W', 'S', 9});
  EXPECT_EQ(four.compression, Compression::None);
  EXPECT_EQ(four.version, 9);
  EXPECT_FALSE(four.hasLength);
  EXPECT_EQ(four.error, "the movie ends after 4 bytes, inside its declared length");
  EXPECT_FALSE(header({'F', 'W', 'S', 9, 1, 2, 3}).hasLength);
  EXPECT_FALSE(header({'F', 'W', 'S'}).hasSignature);
  EXPECT_EQ(header({'F'}).error, "the movie ends after 1 byte, inside its signature");
  EXPECT_FALSE(header({}).hasSignature);
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
    const MovieHeader read = header(test::movieStart("FWS", c.frame));
    EXPECT_TRUE(read.hasFrameInfo) << read.error;
    EXPECT_EQ(read.widthTwips, c.width);
    EXPECT_EQ(read.heightTwips, c.height);
    EXPECT_EQ(read.frameRate, 0x1800);
    EXPECT_EQ(read.frameCount, 1);
  }
}

TEST(MovieHeader, FramesCutShortOrImpossibleAreNotRead) {
  // Cut inside the rectangle, and inside the frame rate and count after it.
  for (const size_t count : {size_t{0}, size_t{1}, size_t{8}, size_t{9}, size_t{12}}) {
    SCOPED_TRACE(count);
    const MovieHeader read =
        header(test::movieStart("FWS", Bytes(kStageFrame.begin(), kStageFrame.begin() + count)));
    EXPECT_FALSE(read.hasFrameInfo);
    EXPECT_EQ(read.error,
              "the movie ends after " + std::to_string(8 + count) + " bytes, inside its frame");
  }
  // 20 bytes declared for a 21-byte header: neither the length nor the frame is told.
  Bytes shortLength = test::movieStart("FWS", kStageFrame);
  shortLength[4] = 20;
  shortLength[5] = shortLength[6] = 0;
  const MovieHeader read = header(shortLength);
  EXPECT_FALSE(read.hasLength);
  EXPECT_FALSE(read.hasFrameInfo);
  EXPECT_EQ(read.error, "the declared length is shorter than the header");
  shortLength[4] = 21;
  EXPECT_TRUE(header(shortLength).hasFrameInfo);
}

TEST(MovieHeader, NumbersKeepAtMostTwoDecimalsAndNoTrailingZeros) {
  EXPECT_EQ(bytesText(1), "1 byte");
  EXPECT_EQ(bytesText(25), "25 bytes");
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
