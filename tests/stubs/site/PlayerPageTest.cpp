// The page as the program hands it over: its own scripts written in, the title as text, and the
// settings as JSON. What the scripts do is the page's own tests' (page/, under Node).
#include <gtest/gtest.h>

#include <string>

#include "stubs/site/PlayerPage.h"

namespace pravix::stub {
namespace {

TEST(PlayerPage, IsOneDocumentWithItsScriptsTitleAndSettingsInTheirPlaces) {
  const SaveLimits limits;
  const std::string page =
      playerPage(R"(<Tom & "Jerry's"> {{settings}})", PageMode::Window, limits, "", true);
  EXPECT_NE(page.find("<title>&lt;Tom &amp; &quot;Jerry&#39;s&quot;&gt; {{settings}}</title>"),
            std::string::npos);
  EXPECT_NE(page.find(R"(<link rel="icon" href="icon.ico">)"), std::string::npos);
  EXPECT_NE(page.find(R"(<script src="ruffle.js"></script>)"), std::string::npos);
  EXPECT_NE(page.find("function keepSaves("), std::string::npos);
  EXPECT_NE(page.find(std::string(R"(<script id="settings" type="application/json">)") +
                      pageSettings(PageMode::Window, limits, "", true) + "</script>"),
            std::string::npos);
  // Only the player's script is loaded: the page's own are written in.
  EXPECT_EQ(page.find("<script src=", page.find("<script src=") + 1), std::string::npos);
}

TEST(PlayerPage, SettingsNameTheModeTheSitesNamesTheLimitsTheScreenSaversEndANoticeAndFullScreen) {
  EXPECT_EQ(pageSettings(PageMode::FullScreen, SaveLimits{5, 6, 7, 8}, "No \"files\".", false),
            R"({"mode":"screen-saver","names":{"movie":"movie.swf","icon":"icon.ico",)"
            R"("alive":"alive","end":"end","saves":"saves/","exec":"exec/",)"
            R"("page":"Pravix-Page","order":"Pravix-Order","save":".sol"},)"
            R"("limits":{"saveBytes":5,"totalBytes":6,"saves":7,"nameLength":8},)"
            R"("endEvents":["keydown","pointerdown","wheel"],"pointerTolerance":4,)"
            R"("notice":"No \"files\".","askFullScreen":false})");
  const std::string window = pageSettings(PageMode::Window, SaveLimits{}, "", true);
  EXPECT_EQ(window.substr(0, 18), R"({"mode":"window",")");
  EXPECT_EQ(window.substr(window.size() - 21), R"("askFullScreen":true})");
}

}  // namespace
}  // namespace pravix::stub
