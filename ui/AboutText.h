// The About box's texts that need no window: the version line and the memory lines.
#pragma once

#include <cstdint>
#include <string>

namespace pravix {

// "Version 2.0 (Build 100)": the release number is not shown.
std::string versionText(unsigned major, unsigned minor, unsigned build);

// Bytes as whole kilobytes, rounded to the nearest, grouped in threes: "4,194,304 KB".
std::string kilobytesText(uint64_t bytes, const std::string& thousandsSeparator);

// The share of physical memory in use: "57 %".
std::string memoryLoadText(unsigned percent);

}  // namespace pravix
