// `pravix extract` and `info` on every layout, built byte by byte (a zip's deflated movie by zlib
// itself): the movie comes back whole, and its header is read through the layout.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <functional>

#include "tests/LayoutBytes.h"
#include "tests/cli/ToolRun.h"

namespace fs = std::filesystem;

namespace pravix {
namespace {

using test::Bytes;
using test::patternBytes;
using test::readBytes;
using test::runTool;
using test::snapshot;
using test::ToolRun;
using test::writeBytes;

const Bytes kMovie = test::signedMovie();
const Bytes kStub = patternBytes(700, 8);

uint32_t crcOf(const Bytes& bytes) {
  return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Raw deflate, as a zip keeps it: zlib's output without its own header and check.
Bytes deflated(const Bytes& bytes) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

Bytes zipWith(uint16_t method, const Bytes& stored, uint32_t crc, uint32_t size = 25) {
  return test::zipBytes(kStub, {{"Movie.app/Contents/Info.plist", 0, patternBytes(30, 2), 30, 0},
                                {test::kAppMovieEntry, method, stored, size, crc}});
}

struct Layout {
  const char* name;
  std::function<void(const fs::path& in)> make;
  const char* kind;  // as `info --json` names it
};

void PrintTo(const Layout& layout, std::ostream* out) {
  *out << layout.name;
}

class EveryLayout : public test::TempDirTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(EveryLayout, GivesItsMovieAndItsHeader) {
  GetParam().make(dir_ / "in");
  ToolRun ran = runTool(dir_, {"extract", "in", "-v"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_EQ(ran.err, "pravix: in: wrote in.swf\n");
  EXPECT_EQ(readBytes(dir_ / "in.swf"), kMovie);

  ran = runTool(dir_, {"info", "--json", "in"});
  EXPECT_EQ(ran.exitCode, 0);
  EXPECT_NE(ran.out.find(std::string(R"("kind":")") + GetParam().kind + "\""), std::string::npos)
      << ran.out;
  EXPECT_NE(ran.out.find(R"("movie_size":25,"signature":"FWS")"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find(R"("width":550,"height":400,"frame_rate":12.5,"frame_count":3})"),
            std::string::npos)
      << ran.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, EveryLayout,
    ::testing::Values(
        Layout{"LinuxI386",
               [](const fs::path& in) {
                 writeBytes(
                     in, test::linuxProjector(false, test::elfImage(false, 300, 200, 150), kMovie));
               },
               "linux_i386_projector"},
        Layout{"LinuxX8664",
               [](const fs::path& in) {
                 writeBytes(
                     in, test::linuxProjector(true, test::elfImage(true, 300, 400, 150), kMovie));
               },
               "linux_x86_64_projector"},
        Layout{"ClassicMac",
               [](const fs::path& in) { writeBytes(in, test::classicMacProjector(kStub, kMovie)); },
               "classic_mac_projector"},
        Layout{"ScreenSaver",
               [](const fs::path& in) { writeBytes(in, test::screenSaverBytes(kStub, kMovie)); },
               "screen_saver"},
        Layout{"ZipStored",
               [](const fs::path& in) { writeBytes(in, zipWith(0, kMovie, crcOf(kMovie))); },
               "macos_projector_zip"},
        Layout{
            "ZipDeflated",
            [](const fs::path& in) { writeBytes(in, zipWith(8, deflated(kMovie), crcOf(kMovie))); },
            "macos_projector_zip"},
        Layout{"Folder",
               [](const fs::path& in) {
                 fs::create_directories(in / "Contents" / "Resources");
                 writeBytes(in / "Contents" / "Resources" / "movie.swf", kMovie);
               },
               "macos_projector_folder"}),
    [](const auto& info) { return std::string(info.param.name); });

class Zip : public test::TempDirTest {};

TEST_F(Zip, ADeflatedMovieThatDoesNotUnpackToItsCheckOrSizeIsAFailure) {
  for (const Bytes& zip : {zipWith(8, deflated(kMovie), crcOf(kMovie) ^ 1),
                           zipWith(8, deflated(kMovie), crcOf(kMovie), 24)}) {
    writeBytes(dir_ / "in.zip", zip);
    const auto before = snapshot(dir_);
    const ToolRun ran = runTool(dir_, {"extract", "in.zip"});
    EXPECT_EQ(ran.exitCode, 2);
    EXPECT_EQ(ran.err, "pravix: in.zip: its movie's deflated bytes are damaged\n");
    EXPECT_EQ(snapshot(dir_), before);
  }
}

}  // namespace
}  // namespace pravix
