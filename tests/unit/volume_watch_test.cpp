// Unit masks to drive letters, and which messages change the drive box.
#include <gtest/gtest.h>

#include "volume_watch/volume_notice.h"

namespace {

using volume_watch::DecideNotice;
using volume_watch::UnitMaskToLetters;

TEST(UnitMaskToLetters, BitsGiveLettersInRisingOrder) {
  const struct {
    std::uint32_t mask;
    const char* letters;
  } cases[] = {
      {0x10, "E"}, {0x30, "EF"}, {0x4, "C"}, {0x0, ""}, {0x1, "A"}, {1u << 25, "Z"},
      {0x2000010, "EZ"}, {0x80000000u, ""},  // bit 31 is never examined
      {0x80000010u, "E"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnitMaskToLetters(c.mask), c.letters) << std::hex << c.mask;
}

TEST(UnitMaskToLetters, BitsPastZGiveTheCodesThatFollow) {
  for (int bit = 26; bit <= 30; ++bit) {
    const std::string letters = UnitMaskToLetters(1u << bit);
    ASSERT_EQ(letters.size(), 1u);
    EXPECT_EQ(static_cast<int>(letters[0]), 91 + (bit - 26));
  }
  EXPECT_EQ(UnitMaskToLetters(0xFFFFFFFFu).size(), 31u);
}

// A volume record is 18 bytes up to its flags (20 with the structure's padding).
TEST(DecideNotice, OnlyVolumeArrivalAndRemovalWithAWholeRecordChangeAnything) {
  const struct {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::uint32_t deviceType;
    std::uint32_t mask;
    bool acts;
    const char* driveBox;
    const char* status;
    std::uint32_t size = 20;
  } cases[] = {
      {0x219, 0x8000, 2, 0x10, true, "E:", "USB-muisti laitettiin asemaan!"},
      {0x219, 0x8004, 2, 0x10, true, "E:", "USB-muisti poistettiin!"},
      {0x219, 0x8000, 2, 0x30, true, "EF:", "USB-muisti laitettiin asemaan!"},
      {0x219, 0x8000, 2, 0x0, true, ":", "USB-muisti laitettiin asemaan!"},
      {0x219, 0x8000, 2, 0x10, true, "E:", "USB-muisti laitettiin asemaan!", 18},   // no padding
      {0x219, 0x8004, 2, 0x10, true, "E:", "USB-muisti poistettiin!", 0x7FFFFFFF},
      {0x219, 0x8000, 2, 0x10, false, "", "", 17},   // ends inside the flags
      {0x219, 0x8000, 2, 0x10, false, "", "", 16},   // ends after the unit mask, before the flags
      {0x219, 0x8004, 2, 0x10, false, "", "", 12},   // a header alone
      {0x219, 0x8000, 2, 0x10, false, "", "", 0},
      {0x219, 0x8000, 5, 0x10, false, "", ""},   // a device interface: passed on unread
      {0x219, 0x8004, 3, 0x10, false, "", ""},   // a port
      {0x219, 0x8001, 2, 0x10, false, "", ""},   // query remove
      {0x219, 0x8003, 2, 0x10, false, "", ""},   // remove pending
      {0x219, 0x0007, 2, 0x10, false, "", ""},   // devnodes changed
      {0x218, 0x8000, 2, 0x10, false, "", ""},   // another message
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.message << " " << c.wParam << " type " << c.deviceType
                                    << std::dec << " size " << c.size);
    auto notice = DecideNotice(c.message, c.wParam, c.size, c.deviceType, c.mask);
    ASSERT_EQ(notice.has_value(), c.acts);
    if (!c.acts) continue;
    EXPECT_EQ(notice->driveBox, c.driveBox);
    EXPECT_EQ(notice->status, c.status);
  }
}

}  // namespace
