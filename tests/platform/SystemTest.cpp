// The system's error texts as the messages carry them.
#include <gtest/gtest.h>

#include "platform/System.h"
#include "tests/TestSupport.h"

namespace pravix {
namespace {

TEST(SystemText, TrailingBlanksControlsAndFullStopsAreRemoved) {
  EXPECT_EQ(trimSystemText("Sharing violation.\r\n"), "Sharing violation");
  EXPECT_EQ(trimSystemText("Done. . .\t \x01"), "Done");
  EXPECT_EQ(trimSystemText("v1.0 ok"), "v1.0 ok");
  EXPECT_EQ(trimSystemText(" ..\r\n"), "");
  EXPECT_EQ(trimSystemText(""), "");
}

TEST(SystemText, ASystemErrorNamesWhatFailedAndWhy) {
  const int notFound = 2;  // ERROR_FILE_NOT_FOUND on Win32, ENOENT on POSIX
  EXPECT_EQ(std::string(SystemError("Cannot start the browser", notFound).what()),
            std::string("Cannot start the browser. ") + test::kFileNotFound);
}

TEST(RandomHex, HexOfItsLengthFromTheSystemsSourceAndNeverTheSame) {
  const std::string first = randomHex(16), second = randomHex(16);
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace pravix
