// The browser's command line and the window's size from the movie's stage.
#include <gtest/gtest.h>

#include <string>

#include "stubs/rules/BrowserCommand.h"

namespace pravix::stub {
namespace {

struct Quoting {
  std::string argument;
  std::string quoted;
};

class QuoteArgument : public ::testing::TestWithParam<Quoting> {};

TEST_P(QuoteArgument, AsTheCRuntimeSplitsIt) {
  EXPECT_EQ(quoteArgument(GetParam().argument), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuoteArgument,
    ::testing::Values(Quoting{"plain", "plain"}, Quoting{"", "\"\""},
                      Quoting{R"(C:\Users\A B\Temp)", R"("C:\Users\A B\Temp")"},
                      Quoting{R"(C:\A B\)", R"("C:\A B\\")"},
                      Quoting{R"(say "hi")", R"("say \"hi\"")"}, Quoting{R"(a\"b)", R"("a\\\"b")"},
                      Quoting{R"(a\b\c)", R"(a\b\c)"}, Quoting{"tab\there", "\"tab\there\""}));

TEST(AppWindowCommand, OpensTheAddressWithAPrivateProfileSoundAndTheSizeOrFullScreen) {
  const std::string window =
      R"("C:\Program Files\Edge\msedge.exe" --app=http://127.0.0.1:80/s/ )"
      R"(--user-data-dir=C:\Temp\Pravix-Player-1 --no-first-run --no-default-browser-check )"
      R"(--autoplay-policy=no-user-gesture-required --window-size=570,440)";
  EXPECT_EQ(appWindowCommand(R"(C:\Program Files\Edge\msedge.exe)", "http://127.0.0.1:80/s/",
                             R"(C:\Temp\Pravix-Player-1)", {570, 440}, false),
            window);
  EXPECT_EQ(appWindowCommand(R"(C:\Program Files\Edge\msedge.exe)", "http://127.0.0.1:80/s/",
                             R"(C:\Temp\Pravix-Player-1)", {570, 440}, true),
            window + " --start-fullscreen");
}

TEST(KioskCommand, OpensTheAddressFullScreenWithAPrivateProfileAndNoSoundFlag) {
  EXPECT_EQ(
      kioskCommand(R"(C:\Program Files\Edge\msedge.exe)", "http://127.0.0.1:80/s/",
                   R"(C:\Temp\Pravix Player 1)"),
      R"("C:\Program Files\Edge\msedge.exe" --kiosk http://127.0.0.1:80/s/ )"
      R"("--user-data-dir=C:\Temp\Pravix Player 1" --no-first-run --no-default-browser-check )"
      R"(--window-position=0,0)");
}

MovieHeader stage(int32_t widthTwips, int32_t heightTwips) {
  MovieHeader header;
  header.hasFrameInfo = true;
  header.widthTwips = widthTwips;
  header.heightTwips = heightTwips;
  return header;
}

TEST(StageWindowSize, IsTheStageScaledDownToFitProportionsKept) {
  const WindowSize screen{1000, 700};
  const auto size = [&](const MovieHeader& header) {
    const WindowSize got = stageWindowSize(header, screen);
    return std::to_string(got.width) + "x" + std::to_string(got.height);
  };
  EXPECT_EQ(size(stage(11000, 8000)), "550x400");
  EXPECT_EQ(size(stage(20000, 14000)), "1000x700");
  EXPECT_EQ(size(stage(40000, 10000)), "1000x250");
  EXPECT_EQ(size(stage(10000, 28000)), "250x700");
  EXPECT_EQ(size(stage(0, 8000)), "550x400");
  EXPECT_EQ(size(MovieHeader{}), "550x400");
}

}  // namespace
}  // namespace pravix::stub
