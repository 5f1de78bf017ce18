// The About box's version and memory texts.
#include "ui/AboutText.h"

namespace pravix {

std::string versionText(unsigned major, unsigned minor, unsigned build) {
  return "Version " + std::to_string(major) + "." + std::to_string(minor) + " (Build " +
         std::to_string(build) + ")";
}

std::string kilobytesText(uint64_t bytes, const std::string& thousandsSeparator) {
  // Rounded without going through a double, which cannot hold every 64-bit count.
  const uint64_t kilobytes = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
  const std::string digits = std::to_string(kilobytes);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += thousandsSeparator;
    grouped += digits[i];
  }
  return grouped + " KB";
}

std::string memoryLoadText(unsigned percent) {
  return std::to_string(percent) + " %";
}

}  // namespace pravix
