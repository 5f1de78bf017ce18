// `pravix info`: each kind of file, the header of plain, zlib and LZMA movies (compressed here by
// zlib and liblzma themselves), damaged headers, and the JSON lines with their escaping.
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

#include <filesystem>
#include <string>

#include "tests/MovieCases.h"
#include "tests/TestSupport.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::concat;
using test::patternBytes;
using test::runTool;
using test::ToolRun;
using test::writeBytes;

// Everything after the first 8 bytes of a 25-byte movie: the stage 0..11000 x 0..8000 twips in
// 15-bit fields, 12.5 frames per second (8.8 fixed point), 3 frames, a ShowFrame and an End tag.
const Bytes kBody = {0x78, 0x00, 0x05, 0x5f, 0x00, 0x00, 0x0f, 0xa0, 0x00,
                     0x80, 0x0c, 0x03, 0x00, 0x40, 0x00, 0x00, 0x00};

Bytes header(const char* signature) {
  return {static_cast<uint8_t>(signature[0]),
          static_cast<uint8_t>(signature[1]),
          static_cast<uint8_t>(signature[2]),
          10,
          25,
          0,
          0,
          0};
}

Bytes zlibMovie() {
  Bytes compressed(compressBound(kBody.size()));
  uLongf size = compressed.size();
  EXPECT_EQ(compress(compressed.data(), &size, kBody.data(), kBody.size()), Z_OK);
  compressed.resize(size);
  return concat(header("CWS"), compressed);
}

// liblzma's .lzma output is the 5 property bytes, an 8-byte size and the raw data; a movie keeps
// the raw data's length, the properties and the raw data.
Bytes lzmaMovie() {
  lzma_options_lzma options{};
  lzma_lzma_preset(&options, 6);
  lzma_stream stream = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_alone_encoder(&stream, &options), LZMA_OK);
  Bytes encoded(1024);
  stream.next_in = kBody.data();
  stream.avail_in = kBody.size();
  stream.next_out = encoded.data();
  stream.avail_out = encoded.size();
  EXPECT_EQ(lzma_code(&stream, LZMA_FINISH), LZMA_STREAM_END);
  encoded.resize(stream.total_out);
  lzma_end(&stream);
  const size_t raw = encoded.size() - 13;
  Bytes movie =
      concat(header("ZWS"), {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8), 0, 0});
  movie.insert(movie.end(), encoded.begin(), encoded.begin() + 5);
  movie.insert(movie.end(), encoded.begin() + 13, encoded.end());
  return movie;
}

const std::string kFrame = R"("declared_length":25,"width":550,"height":400,"frame_rate":12.5,)"
                           R"("frame_count":3})";

class Info : public test::TempDirTest {
 protected:
  ToolRun info(const std::vector<std::string>& files) {
    std::vector<std::string> arguments{"info", "--json"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    return runTool(dir_, arguments);
  }
};

TEST_F(Info, TellsEachKindAndTheHeaderOfPlainZlibAndLzmaMovies) {
  const Bytes plain = concat(header("FWS"), kBody), zlib = zlibMovie(), lzma = lzmaMovie();
  const Bytes stub = patternBytes(10, 2);
  writeBytes(dir_ / "plain.swf", plain);
  writeBytes(dir_ / "zlib.swf", zlib);
  writeBytes(dir_ / "lzma.swf", lzma);
  writeBytes(dir_ / "p.exe", test::projectorBytes(stub, zlib));
  writeBytes(dir_ / "s.scr", test::screenSaverBytes(stub, lzma));
  writeBytes(dir_ / "n.bin", patternBytes(100, 3));

  const ToolRun ran = info({"plain.swf", "zlib.swf", "lzma.swf", "p.exe", "s.scr", "n.bin"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err, "");
  const std::string z = std::to_string(zlib.size()), l = std::to_string(lzma.size());
  EXPECT_EQ(ran.out,
            R"({"file":"plain.swf","kind":"movie","size":25,"stub_size":0,"movie_size":25,)"
            R"("signature":"FWS","compression":"none","version":10,)" +
                kFrame + "\n" + R"({"file":"zlib.swf","kind":"movie","size":)" + z +
                R"(,"stub_size":0,"movie_size":)" + z +
                R"(,"signature":"CWS","compression":"zlib","version":10,)" + kFrame + "\n" +
                R"({"file":"lzma.swf","kind":"movie","size":)" + l +
                R"(,"stub_size":0,"movie_size":)" + l +
                R"(,"signature":"ZWS","compression":"lzma","version":10,)" + kFrame + "\n" +
                R"({"file":"p.exe","kind":"projector","size":)" + std::to_string(zlib.size() + 18) +
                R"(,"stub_size":10,"movie_size":)" + z +
                R"(,"signature":"CWS","compression":"zlib","version":10,)" + kFrame + "\n" +
                R"({"file":"s.scr","kind":"screen_saver","size":)" +
                std::to_string(lzma.size() + 14) + R"(,"stub_size":10,"movie_size":)" + l +
                R"(,"signature":"ZWS","compression":"lzma","version":10,)" + kFrame + "\n" +
                R"({"file":"n.bin","kind":"none","size":100})" + "\n");
}

TEST_F(Info, TextForAPerson) {
  writeBytes(dir_ / "p.exe", test::projectorBytes(patternBytes(10, 2), zlibMovie()));
  writeBytes(dir_ / "n.bin", {1, 2, 3, 4});
  const ToolRun ran = runTool(dir_, {"info", "p.exe", "n.bin"});
  EXPECT_EQ(ran.exitCode, 0);
  const std::string z = std::to_string(zlibMovie().size());
  EXPECT_EQ(ran.out, "p.exe: projector (" + std::to_string(zlibMovie().size() + 18) +
                         " bytes)\n"
                         "  stub: 10 bytes\n"
                         "  movie: " +
                         z +
                         " bytes\n"
                         "  signature: CWS (zlib compressed)\n"
                         "  version: 10\n"
                         "  declared length: 25 bytes\n"
                         "  stage: 550 x 400 pixels\n"
                         "  frame rate: 12.5 per second\n"
                         "  frames: 3\n"
                         "n.bin: none of these: not a projector, a screen saver or a movie "
                         "(4 bytes)\n");
}

TEST_F(Info, DamagedHeadersAreToldNotTrusted) {
  const Bytes zlib = zlibMovie(), lzma = lzmaMovie();
  writeBytes(dir_ / "1.swf", {'F', 'W', 'S'});
  writeBytes(dir_ / "2.swf", {'F', 'W', 'S', 10, 25, 0});
  writeBytes(dir_ / "3.swf", Bytes(zlib.begin(), zlib.begin() + 10));  // the zlib header only
  writeBytes(dir_ / "4.swf", concat(header("CWS"), {0xFF, 0xFF, 0xFF, 0xFF}));
  Bytes lzmaProperties(lzma);
  lzmaProperties[12] = 0xFF;  // more literal, position and state bits than there are
  writeBytes(dir_ / "5.swf", lzmaProperties);
  writeBytes(dir_ / "6.swf", concat(Bytes(lzma.begin(), lzma.begin() + 17), {0xFF, 0xFF, 0xFF}));
  writeBytes(dir_ / "7.swf", Bytes(lzma.begin(), lzma.begin() + 15));
  writeBytes(dir_ / "8.exe", test::projectorBytes({1}, {'X', 'Y', 'Z', 1, 2, 3, 4, 5, 6}));
  // Whole but impossible: 5 bytes declared for a 21-byte header; the stage from x 550 to 0.
  Bytes shortLength = concat(header("FWS"), kBody);
  shortLength[4] = 5;
  writeBytes(dir_ / "9.swf", shortLength);
  Bytes inverted = concat(header("FWS"), kBody);
  const Bytes invertedStage = {0x7a, 0xaf, 0x80, 0x00, 0x00, 0x00, 0x0f, 0xa0, 0x00};
  std::copy(invertedStage.begin(), invertedStage.end(), inverted.begin() + 8);
  writeBytes(dir_ / "10.swf", inverted);

  const ToolRun ran = info(
      {"1.swf", "2.swf", "3.swf", "4.swf", "5.swf", "6.swf", "7.swf", "8.exe", "9.swf", "10.swf"});
  EXPECT_EQ(ran.exitCode, 0);
  const std::string cws = R"("signature":"CWS","compression":"zlib","version":10,)";
  const std::string zws = R"("signature":"ZWS","compression":"lzma","version":10,)";
  const std::string l = std::to_string(lzma.size());
  EXPECT_EQ(
      ran.out,
      R"({"file":"1.swf","kind":"movie","size":3,"stub_size":0,"movie_size":3,)"
      R"("header_error":"the movie ends after 3 bytes, inside its signature"})"
      "\n"
      R"({"file":"2.swf","kind":"movie","size":6,"stub_size":0,"movie_size":6,)"
      R"("signature":"FWS","compression":"none","version":10,)"
      R"("header_error":"the movie ends after 6 bytes, inside its declared length"})"
      "\n"
      R"({"file":"3.swf","kind":"movie","size":10,"stub_size":0,"movie_size":10,)" +
          cws +
          R"("declared_length":25,"header_error":"the decompressed header ends after 8 bytes, )"
          R"(inside its frame"})"
          "\n"
          R"({"file":"4.swf","kind":"movie","size":12,"stub_size":0,"movie_size":12,)" +
          cws +
          R"x("declared_length":25,"header_error":"the zlib data is damaged (incorrect header check)"})x"
          "\n"
          R"({"file":"5.swf","kind":"movie","size":)" +
          l + R"(,"stub_size":0,"movie_size":)" + l + "," + zws +
          R"("declared_length":25,"header_error":"the LZMA properties are not valid"})"
          "\n"
          R"({"file":"6.swf","kind":"movie","size":20,"stub_size":0,"movie_size":20,)" +
          zws +
          R"("declared_length":25,"header_error":"the LZMA data is damaged"})"
          "\n"
          R"({"file":"7.swf","kind":"movie","size":15,"stub_size":0,"movie_size":15,)" +
          zws +
          R"("declared_length":25,"header_error":"the movie ends after 15 bytes, inside its LZMA )"
          R"(properties"})"
          "\n"
          R"({"file":"8.exe","kind":"projector","size":18,"stub_size":1,"movie_size":9,)"
          R"("header_error":"the movie's signature is not FWS, CWS or ZWS"})"
          "\n"
          R"({"file":"9.swf","kind":"movie","size":25,"stub_size":0,"movie_size":25,)"
          R"("signature":"FWS","compression":"none","version":10,)"
          R"("header_error":"the declared length is shorter than the header"})"
          "\n"
          R"({"file":"10.swf","kind":"movie","size":25,"stub_size":0,"movie_size":25,)"
          R"("signature":"FWS","compression":"none","version":10,"declared_length":25,)"
          R"("header_error":"the stage rectangle is inverted"})"
          "\n");
}

TEST_F(Info, TellsTheMovieReadersTableAsTheStubsDo) {
  std::vector<std::string> names;
  std::string expected;
  for (const test::MovieCase& c : test::movieCases()) {
    const std::string name = std::string(c.name) + ".swf", size = std::to_string(c.movie.size());
    writeBytes(dir_ / name, c.movie);
    names.push_back(name);
    expected += R"({"file":")" + name + R"(","kind":"movie","size":)" + size +
                R"(,"stub_size":0,"movie_size":)" + size + R"(,"signature":")" +
                std::string(c.movie.begin(), c.movie.begin() + 3) + R"(","compression":")" +
                c.compression + R"(","version":10,"declared_length":25)";
    if (c.frame) {
      expected += R"(,"width":)" + std::to_string(c.width) + R"(,"height":)" +
                  std::to_string(c.height) + R"(,"frame_rate":12.5,"frame_count":3)";
    }
    if (*c.error != '\0') expected += R"(,"header_error":")" + std::string(c.error) + "\"";
    expected += "}\n";
  }
  const ToolRun ran = info(names);
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.out, expected);
}

TEST_F(Info, JsonEscapesNamesAndFailuresGoToStandardError) {
  const std::string name = "a\"b\\c\n\t\xff\xc3\xa9.swf";
  writeBytes(dir_ / name, {'F', 'W', 'S'});
  const ToolRun ran = info({name, "none.swf", "/dev/null"});
  EXPECT_EQ(ran.exitCode, 2);
  const std::string escaped = R"({"file":"a\"b\\c\u000a\u0009\ufffd)"
                              "\xc3\xa9"
                              R"(.swf","kind")";
  EXPECT_EQ(ran.out.substr(0, escaped.size()), escaped);
  EXPECT_EQ(ran.err,
            "pravix: none.swf: No such file or directory\n"
            "pravix: /dev/null: is a device, not a file\n");
}

}  // namespace
}  // namespace pravix
