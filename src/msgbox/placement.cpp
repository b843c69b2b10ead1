// The placement arithmetic of the positioned message box.
#include "msgbox/placement.h"

#include <cmath>
#include <limits>

namespace msgbox {
namespace {

// Nearest integer, halves to the even neighbour (the default rounding mode),
// kept inside the 32-bit range so that a wild screen size cannot overflow.
std::int32_t RoundHalfEven(double value) {
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  double r = std::nearbyint(value);
  if (!(r >= lo)) return std::numeric_limits<std::int32_t>::min();  // also NaN
  if (r > hi) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

}  // namespace

BoxPosition PlaceBox(std::int32_t wantedX, std::int32_t wantedY, float screenWidth, float screenHeight,
                     std::int32_t boxWidth, std::int32_t boxHeight) {
  std::int32_t x = wantedX;
  std::int32_t y = wantedY;

  // Each axis by itself, in double precision; a wanted value equal to the limit stays.
  double limitX = static_cast<double>(screenWidth) - boxWidth - 1;
  if (limitX < static_cast<double>(x)) x = RoundHalfEven(limitX);
  double limitY = static_cast<double>(screenHeight) - boxHeight - 1;
  if (limitY < static_cast<double>(y)) y = RoundHalfEven(limitY);

  // The top is raised only together with the left edge.
  if (x < 1) {
    x = 1;
    if (y < 1) y = 1;
  }
  return {x, y};
}

}  // namespace msgbox
