// Twips and points to pixels.
#include "platform/twips.h"

#include <cmath>

namespace platform {

int TwipsToPixels(int twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

double TwipsPerPixel(int dotsPerInch) {
  return dotsPerInch > 0 ? static_cast<double>(TwipsPerInch) / dotsPerInch : 15.0;
}

int PointsToPixels(double points, int dotsPerInch) {
  return static_cast<int>(std::lround(points * dotsPerInch / 72.0));
}

}  // namespace platform
