// The path rules of Win32: "\" and ":" separate, and the ANSI code page's lead bytes pair up.
#include <windows.h>

#include "platform/Path.h"

namespace pravix {
namespace {

bool ansiLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace

const PathRules& hostPathRules() {
  static constexpr PathRules kRules{"\\:", ansiLeadByte};
  return kRules;
}

}  // namespace pravix
