// Twips (1/1440 inch) to screen pixels, for the control table's geometry.
#pragma once

namespace platform {

// 15 twips make a pixel at 96 dots per inch.
constexpr int TwipsPerInch = 1440;

// Rounds to the nearest pixel, as the form layout does; twipsPerPixel is 1440 / dpi.
int TwipsToPixels(int twips, double twipsPerPixel);

double TwipsPerPixel(int dotsPerInch);

// A font size in points to a character height in pixels (positive).
int PointsToPixels(double points, int dotsPerInch);

}  // namespace platform
