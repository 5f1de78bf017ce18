// The screen saver's end rule for the pointer.
#include "stubs/rules/UserReturn.h"

#include <cstdlib>
#include <iterator>

namespace pravix::stub {

static_assert(std::size(kPageEvents) == static_cast<size_t>(UserInput::Wheel) + 1);

bool PointerWatch::movedAway(int x, int y) {
  if (!first_) {
    first_.emplace(x, y);
    return false;
  }
  return std::abs(x - first_->first) > kPointerTolerance ||
         std::abs(y - first_->second) > kPointerTolerance;
}

}  // namespace pravix::stub
