// The message box's placement against worked examples computed by hand.
#include <gtest/gtest.h>

#include "msgbox/placement.h"

namespace {

struct PlacementCase {
  int wantedX, wantedY;
  int boxW, boxH;
  int placedX, placedY;
};

// A 1024 x 768 screen: limitX = 1024 - 300 - 1 = 723, limitY = 768 - 130 - 1 = 637.
const PlacementCase OnXga[] = {
    {145, 129, 300, 130, 145, 129},   // fits
    {900, 129, 300, 130, 723, 129},   // right edge pulled to 1023
    {145, 700, 300, 130, 145, 637},   // bottom edge pulled to 767
    {723, 637, 300, 130, 723, 637},   // exactly at the limits: unchanged
    {724, 638, 300, 130, 723, 637},   // one past each limit
    {145, 129, 1030, 130, 1, 129},    // wider than the screen: -7, then 1
    {145, 129, 300, 800, 145, -33},   // taller: -33 stays, since x is 1 or more
    {145, 129, 1030, 800, 1, 1},      // both: x raised, and with it y
    {0, 0, 300, 130, 1, 1},           // x below 1 raises y too
    {5, -3, 300, 130, 5, -3},         // x fine: y below 1 is left
    {-50, 10, 300, 130, 1, 10},       // x raised, y already fine
};

TEST(PlaceBox, WorkedExamplesOnA1024x768Screen) {
  for (const auto& c : OnXga) {
    SCOPED_TRACE(testing::Message() << "wanted " << c.wantedX << "," << c.wantedY << " box " << c.boxW << "x"
                                    << c.boxH);
    EXPECT_EQ(msgbox::PlaceBox(c.wantedX, c.wantedY, 1024.0f, 768.0f, c.boxW, c.boxH),
              (msgbox::BoxPosition{c.placedX, c.placedY}));
  }
}

TEST(PlaceBox, FractionalScreenRoundsHalvesToEven) {
  // limitX = 723.5 rounds to 724 (even); limitX = 724.5 rounds to 724 as well.
  EXPECT_EQ(msgbox::PlaceBox(900, 129, 1024.5f, 768.0f, 300, 130).x, 724);
  EXPECT_EQ(msgbox::PlaceBox(900, 129, 1025.5f, 768.0f, 300, 130).x, 724);
  // limitY = 637.5 -> 638, 638.5 -> 638.
  EXPECT_EQ(msgbox::PlaceBox(145, 700, 1024.0f, 768.5f, 300, 130).y, 638);
  EXPECT_EQ(msgbox::PlaceBox(145, 700, 1024.0f, 769.5f, 300, 130).y, 638);
  // A wanted value between the limit and the next integer still counts as past it.
  EXPECT_EQ(msgbox::PlaceBox(724, 129, 1024.5f, 768.0f, 300, 130).x, 724);
}

}  // namespace
