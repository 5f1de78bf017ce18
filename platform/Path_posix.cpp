// The path rules of POSIX: "/" separates, and every byte stands alone.
#include "platform/Path.h"

namespace pravix {
namespace {

bool neverLeadByte(unsigned char) {
  return false;
}

}  // namespace

const PathRules& hostPathRules() {
  static constexpr PathRules kRules{"/", neverLeadByte};
  return kRules;
}

}  // namespace pravix
