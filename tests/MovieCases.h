// Movies at the edges of what the header reader reads (plain, zlib and LZMA; cut short; an inverted
// or an empty stage), written out byte by byte, with what every caller of the reader must tell of
// them: the stubs (tests/stubs) and `pravix info` (tests/cli). The compressed bytes were made by
// Python's zlib and lzma modules.
#pragma once

#include <vector>

#include "tests/TestSupport.h"

namespace pravix::test {

struct MovieCase {
  const char* name;
  Bytes movie;
  const char* compression;  // as `pravix info --json` names it
  // The stage in pixels, at 12.5 frames per second and 3 frames; none when no frame is read.
  bool frame;
  int width;
  int height;
  const char* error;  // the header's damage, as every reader tells it; empty when none
  bool lzma;  // its frame is read only where the reader has liblzma (`pravix`, not the Win32 stubs)
};

inline void PrintTo(const MovieCase& c, std::ostream* out) {
  *out << c.name;
}

inline std::vector<MovieCase> movieCases() {
  // Signature, version 10, declared length 25.
  const auto start = [](char a, char b, char c) {
    return Bytes{
        static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), 10, 25, 0, 0, 0};
  };
  // The frame: the stage 0..8000 x 0..6000 twips (400 x 300 px) in 15-bit fields, 12.5 frames per
  // second, 3 frames; then a ShowFrame and an End tag.
  const Bytes frame = {0x78, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x0B, 0xB8, 0x00,
                       0x80, 0x0C, 0x03, 0x00, 0x40, 0x00, 0x00, 0x00};
  // The same from x 400 px back to 0.
  const Bytes inverted = {0x79, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x0B, 0xB8, 0x00,
                          0x80, 0x0C, 0x03, 0x00, 0x40, 0x00, 0x00, 0x00};
  // A rectangle of 0-bit fields: a stage of no size.
  const Bytes empty = {0x00, 0x80, 0x0C, 0x03, 0x00, 0x40, 0x00, 0x00, 0x00};
  // zlib.compress(frame, 9) and zlib.compress(inverted, 9).
  const Bytes zlib = {0x78, 0xDA, 0xAB, 0x60, 0x60, 0x7E, 0xC1, 0xC0, 0xC0, 0xBD, 0x83, 0xA1, 0x81,
                      0x87, 0x99, 0xC1, 0x81, 0x81, 0x81, 0x01, 0x00, 0x21, 0xF5, 0x02, 0xF6};
  const Bytes zlibInverted = {0x78, 0xDA, 0xAB, 0xFC, 0xC2, 0x00, 0x04, 0xDC, 0x3B, 0x18, 0x1A,
                              0x78, 0x98, 0x19, 0x1C, 0x80, 0x4C, 0x00, 0x24, 0x69, 0x03, 0x00};
  // lzma.compress(frame) in the .lzma format, kept as a movie keeps it: the raw data's length, the
  // five property bytes (an 8 MiB dictionary), the raw data.
  const Bytes lzma = {27,   0,    0,    0,    0x5D, 0x00, 0x00, 0x80, 0x00, 0x00, 0x3B, 0xFF,
                      0xFC, 0x6E, 0x7B, 0xFC, 0x5F, 0x35, 0x7D, 0x45, 0x43, 0x73, 0xD0, 0xD9,
                      0xB3, 0x5D, 0x20, 0x8E, 0x19, 0xA7, 0xFF, 0xFF, 0xE9, 0x61, 0x80, 0x00};
  const auto cut = [](const Bytes& bytes, size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(count));
  };
  const Bytes plain = start('F', 'W', 'S'), cws = start('C', 'W', 'S'), zws = start('Z', 'W', 'S');
  return {
      {"Plain", concat(plain, frame), "none", true, 400, 300, "", false},
      {"Zlib", concat(cws, zlib), "zlib", true, 400, 300, "", false},
      {"Lzma", concat(zws, lzma), "lzma", true, 400, 300, "", true},
      {"PlainCutInsideTheFrame", concat(plain, cut(frame, 5)), "none", false, 0, 0,
       "the movie ends after 13 bytes, inside its frame", false},
      // zlib's header and the first 6 bytes of its data, from which 5 bytes come out.
      {"ZlibCutInsideTheFrame", concat(cws, cut(zlib, 8)), "zlib", false, 0, 0,
       "the decompressed header ends after 13 bytes, inside its frame", false},
      {"LzmaCutInsideItsProperties", concat(zws, cut(lzma, 6)), "lzma", false, 0, 0,
       "the movie ends after 14 bytes, inside its LZMA properties", false},
      {"InvertedStage", concat(plain, inverted), "none", false, 0, 0,
       "the stage rectangle is inverted", false},
      {"InvertedStageZlib", concat(cws, zlibInverted), "zlib", false, 0, 0,
       "the stage rectangle is inverted", false},
      {"StageOfNoSize", concat(plain, empty), "none", true, 0, 0, "", false},
  };
}

}  // namespace pravix::test
