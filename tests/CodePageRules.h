// Path rules with made-up and real double-byte code pages, for the tests and the fuzzer.
#pragma once

#include "platform/Path.h"

namespace pravix::test {

inline bool noLeadByte(unsigned char) {
  return false;
}

// Shift-JIS: its second bytes include "\" (0x5C), as in the character 0x83 0x5C.
inline bool shiftJisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A made-up code page whose second bytes may also be "." or ":".
inline bool everyHighByteLeads(unsigned char byte) {
  return byte >= 0x80;
}

inline constexpr PathRules kWindowsRules{"\\:", noLeadByte};
inline constexpr PathRules kShiftJisRules{"\\:", shiftJisLeadByte};
inline constexpr PathRules kHighLeadRules{"\\:", everyHighByteLeads};
inline constexpr PathRules kPosixRules{"/", noLeadByte};

}  // namespace pravix::test
