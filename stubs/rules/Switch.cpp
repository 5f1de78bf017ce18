// The stubs' command-line switches, as Windows passes them to a screen saver.
#include "stubs/rules/Switch.h"

namespace pravix::stub {

std::optional<Switch> parseSwitch(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  const std::string& first = arguments.front();
  if (first.size() < 2 || (first[0] != '/' && first[0] != '-')) return std::nullopt;
  const char letter = first[1];
  const bool ascii = (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
  if (!ascii || (first.size() > 2 && first[2] != ':')) return std::nullopt;

  Switch result;
  result.letter = static_cast<char>(letter | 0x20);
  if (first.size() > 2) result.operands.push_back(first.substr(3));
  result.operands.insert(result.operands.end(), arguments.begin() + 1, arguments.end());
  return result;
}

}  // namespace pravix::stub
