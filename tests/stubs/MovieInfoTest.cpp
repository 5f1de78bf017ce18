// A movie's header as the stubs read and describe it: the signatures, the frame's bit-packed
// rectangle at the edges of its field width, and the texts a person sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packaging/MovieHeader.h"
#include "stubs/MovieInfo.h"
#include "tests/TestSupport.h"

namespace pravix::stub {
namespace {

using test::Bytes;
using Signature = MovieHeader::Signature;

MovieHeader header(const Bytes& bytes) {
  return readMovieHeader(bytes.data(), bytes.size());
}

// A movie's first bytes: signature, version 10, declared length 0x00012345, then `frame`.
Bytes movie(const char* signature, const Bytes& frame) {
  const auto byte = [signature](int i) { return static_cast<uint8_t>(signature[i]); };
  return test::concat({byte(0), byte(1), byte(2), 10, 0x45, 0x23, 0x01, 0x00}, frame);
}

// 15-bit fields: 0, 11000, 0, 8000 twips (550 x 400 px); 24 fps; 1 frame.
const Bytes kFrame = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x18, 0x01, 0x00};

TEST(MovieHeader, SignatureVersionAndDeclaredLength) {
  const MovieHeader plain = header(movie("FWS", kFrame));
  EXPECT_EQ(plain.signature, Signature::Uncompressed);
  EXPECT_EQ(plain.version, 10);
  EXPECT_TRUE(plain.hasLength);
  EXPECT_EQ(plain.declaredLength, 0x00012345u);
  EXPECT_TRUE(plain.hasFrameInfo);

  // Compressed bytes are never read as a frame.
  EXPECT_EQ(header(movie("CWS", kFrame)).signature, Signature::Zlib);
  EXPECT_FALSE(header(movie("CWS", kFrame)).hasFrameInfo);
  EXPECT_EQ(header(movie("ZWS", kFrame)).signature, Signature::Lzma);
  EXPECT_FALSE(header(movie("ZWS", kFrame)).hasFrameInfo);
  EXPECT_EQ(header(movie("fws", kFrame)).signature, Signature::Unknown);

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
      {"15 bits", kFrame, 11000, 8000},
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
    EXPECT_FALSE(readMovieFrame(kFrame.data(), count, read));
    EXPECT_FALSE(read.hasFrameInfo);
  }
  Bytes cut = movie("FWS", kFrame);
  cut.pop_back();
  EXPECT_FALSE(header(cut).hasFrameInfo);
}

TEST(MovieInfo, DescribesEachKindOfHeaderInFullAndBriefly) {
  Bytes fractional = movie("FWS", kFrame);
  fractional[17] = 0xF8;  // 0x1DF8 / 256 = 29.97 fps
  fractional[18] = 0x1D;
  const Bytes negative =
      movie("FWS", {0x5F, 0x38, 0x64, 0x1F, 0xB3, 0xFB, 0x00, 0x80, 0x0C, 0xFF, 0xFF});
  const struct {
    Bytes bytes;
    std::string full;
    std::string brief;
  } cases[] = {
      {movie("FWS", kFrame),
       "Movie size: 1234 bytes\nSignature: FWS (uncompressed)\nVersion: 10\n"
       "Frame size: 550 x 400 px\nFrame rate: 24 fps\nFrame count: 1",
       "1234 bytes\nFWS v10"},
      {fractional,
       "Movie size: 1234 bytes\nSignature: FWS (uncompressed)\nVersion: 10\n"
       "Frame size: 550 x 400 px\nFrame rate: 29.97 fps\nFrame count: 1",
       "1234 bytes\nFWS v10"},
      {negative,
       "Movie size: 1234 bytes\nSignature: FWS (uncompressed)\nVersion: 10\n"
       "Frame size: 50 x 0.50 px\nFrame rate: 12.50 fps\nFrame count: 65535",
       "1234 bytes\nFWS v10"},
      {movie("CWS", kFrame),
       "Movie size: 1234 bytes\nSignature: CWS (zlib compressed)\nVersion: 10",
       "1234 bytes\nCWS v10"},
      {movie("ZWS", {}), "Movie size: 1234 bytes\nSignature: ZWS (LZMA compressed)\nVersion: 10",
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

}  // namespace
}  // namespace pravix::stub
