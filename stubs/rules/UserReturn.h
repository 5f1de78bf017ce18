// What tells a screen saver that the user is back, stated once: the stand-in window reads it from
// Win32's messages, and the page, into which it is written, from the browser's events. Free of
// Win32 so that it can be checked on any host.
#pragma once

#include <optional>
#include <utility>

namespace pravix::stub {

// The inputs that end the show at once.
enum class UserInput {
  Key,     // any key
  Button,  // any button of the mouse or a pen, or a touch: Windows hands a touch to a window as
           // the left button, and the browser's pointer events carry all three
  Wheel,   // a turn of the wheel, either way
};

// The browser's event for each, in the order of UserInput.
inline constexpr const char* kPageEvents[] = {"keydown", "pointerdown", "wheel"};

// A hand resting on the mouse moves it a little: only a move by more than this many pixels, in
// either direction, from where the pointer was first seen ends the show.
constexpr int kPointerTolerance = 4;

// Where the pointer was first seen, and whether it has moved away from there since.
class PointerWatch {
 public:
  // Whether the pointer, now at `x`, `y` (in pixels), has moved further than the tolerance
  // from where it was first seen. The first place seen only sets that place: the system tells
  // where the pointer already is as soon as a window appears.
  bool movedAway(int x, int y);

 private:
  std::optional<std::pair<int, int>> first_;
};

}  // namespace pravix::stub
