// Where a message box goes: the wanted corner, pulled back onto the screen.
#pragma once

#include <cstdint>

namespace msgbox {

struct BoxPosition {
  std::int32_t x;
  std::int32_t y;
  bool operator==(const BoxPosition& o) const { return x == o.x && y == o.y; }
};

// Places a box of boxWidth x boxHeight pixels wanted at (wantedX, wantedY) on a
// screen of screenWidth x screenHeight pixels (floats: the screen size may come from
// twips and need not be whole).
//  - Right and bottom: a box that would reach the last column (row) is pulled back
//    until its exclusive edge is at screen size - 1; the limit is rounded half to even.
//  - Left and top: x below 1 becomes 1, and only then a y below 1 becomes 1.
BoxPosition PlaceBox(std::int32_t wantedX, std::int32_t wantedY, float screenWidth, float screenHeight,
                     std::int32_t boxWidth, std::int32_t boxHeight);

}  // namespace msgbox
