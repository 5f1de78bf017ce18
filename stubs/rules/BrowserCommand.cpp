// The browser's command line and the window's size.
#include "stubs/rules/BrowserCommand.h"

#include <algorithm>

namespace pravix::stub {

WindowSize stageWindowSize(const MovieHeader& header, WindowSize most) {
  WindowSize size = kDefaultStage;
  if (header.hasFrameInfo && header.widthTwips >= 20 && header.heightTwips >= 20) {
    size = {header.widthTwips / 20, header.heightTwips / 20};
  }
  if (most.width <= 0 || most.height <= 0) return size;
  // The larger of the two reductions keeps both sides inside.
  if (size.width > most.width || size.height > most.height) {
    const double scale = std::min(static_cast<double>(most.width) / size.width,
                                  static_cast<double>(most.height) / size.height);
    size.width = std::max(1, static_cast<int>(size.width * scale));
    size.height = std::max(1, static_cast<int>(size.height * scale));
  }
  return size;
}

std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only before a quote.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  // Before the closing quote they would escape it.
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

namespace {

// The browser, the page as `how` opens it, and a profile of our own without first-run pages.
std::string browserCommand(const std::string& browser, const std::string& how,
                           const std::string& profile) {
  return quoteArgument(browser) + " " + how + " " + quoteArgument("--user-data-dir=" + profile) +
         " --no-first-run --no-default-browser-check";
}

}  // namespace

std::string appWindowCommand(const std::string& browser, const std::string& address,
                             const std::string& profile, WindowSize size, bool fullScreen) {
  return browserCommand(browser, quoteArgument("--app=" + address), profile) +
         " --autoplay-policy=no-user-gesture-required --window-size=" + std::to_string(size.width) +
         "," + std::to_string(size.height) + (fullScreen ? " --start-fullscreen" : "");
}

std::string kioskCommand(const std::string& browser, const std::string& address,
                         const std::string& profile) {
  return browserCommand(browser, "--kiosk " + quoteArgument(address), profile) +
         " --window-position=0,0";
}

}  // namespace pravix::stub
