// The stubs' command-line switches. Free of Win32 so that the rules can be checked on any host.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pravix::stub {

// A switch such as "/s", "-S" or "/p:1234" in `arguments[0]`: its lower-case letter, then its
// operands: the text after a colon, if any, followed by the remaining arguments. Nothing when
// there is no argument or the first is not a single-letter switch.
struct Switch {
  char letter = 0;
  std::vector<std::string> operands;
};
std::optional<Switch> parseSwitch(const std::vector<std::string>& arguments);

}  // namespace pravix::stub
