// MsgBoxEx with real message boxes: where they end up, and that the timer runs once.
#include <gtest/gtest.h>

#include "msgbox/msgbox_win.h"
#include "win_test_support.h"

namespace {

using wintest::WhileBoxOpen;

int ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

TEST(MsgBoxEx, BoxThatFitsOpensExactlyThereAndTopmost) {
  std::int16_t result = 0;
  auto seen = WhileBoxOpen("Paikka", [&] {
    result = msgbox::MsgBoxEx(wintest::OwnerWindow(), "Teksti", "Paikka", 0, 145, 129);
  });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.rect.left, 145);
  EXPECT_EQ(seen.rect.top, 129);
  EXPECT_TRUE(seen.topmost);
  EXPECT_EQ(seen.prompt, "Teksti");
  EXPECT_EQ(result, IDOK);
}

TEST(MsgBoxEx, TextsReachTheBoxInTheAnsiCodePage) {
  auto seen = WhileBoxOpen("\xA9", [&] {
    msgbox::MsgBoxEx(wintest::OwnerWindow(), "\xC3\x84l\xC3\xA4 muuta", "\xC2\xA9", 0, 20, 114);
  });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.title, "\xA9");
  EXPECT_EQ(seen.prompt, "\xC4l\xE4 muuta");
  EXPECT_EQ(seen.rect.left, 20);
  EXPECT_EQ(seen.rect.top, 114);
}

TEST(MsgBoxEx, BoxPastTheRightOrBottomEdgeIsPulledBack) {
  auto right = WhileBoxOpen("Oikea", [&] {
    msgbox::MsgBoxEx(wintest::OwnerWindow(), "Oikealle", "Oikea", 0, ScreenWidth() + 500, 129);
  });
  ASSERT_TRUE(right.found);
  EXPECT_EQ(right.rect.right, ScreenWidth() - 1);  // the exclusive right edge
  EXPECT_EQ(right.rect.top, 129);

  auto low = WhileBoxOpen("Ala", [&] {
    msgbox::MsgBoxEx(wintest::OwnerWindow(), "Alas", "Ala", 0, 145, ScreenHeight());
  });
  ASSERT_TRUE(low.found);
  EXPECT_EQ(low.rect.bottom, ScreenHeight() - 1);
  EXPECT_EQ(low.rect.left, 145);

  auto corner = WhileBoxOpen("Kulma", [&] { msgbox::MsgBoxEx(wintest::OwnerWindow(), "Kulma", "Kulma", 0, -20, -20); });
  ASSERT_TRUE(corner.found);
  EXPECT_EQ(corner.rect.left, 1);
  EXPECT_EQ(corner.rect.top, 1);
}

TEST(MsgBoxEx, TimerPlacesTheBoxOnceOnly) {
  // Moved away after it was placed, the box stays where it was moved.
  auto seen = WhileBoxOpen(
      "Kerran",
      [&] { msgbox::MsgBoxEx(wintest::OwnerWindow(), "Kerran", "Kerran", 0, 145, 129); },
      [](HWND box) {
        ::SetWindowPos(box, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        wintest::Pump(300);
      });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.rect.left, 300);
  EXPECT_EQ(seen.rect.top, 300);
}

TEST(MsgBoxTimerProc, AnotherTimerIdMovesNothing) {
  auto seen = WhileBoxOpen(
      "Toinen", [&] { msgbox::MsgBoxEx(wintest::OwnerWindow(), "Toinen", "Toinen", 0, 145, 129); },
      [](HWND box) {
        ::SetWindowPos(box, nullptr, 250, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        msgbox::MsgBoxTimerProc(wintest::OwnerWindow(), WM_TIMER, 0x1234, 0);
      });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.rect.left, 250);
  EXPECT_EQ(seen.rect.top, 260);
}

TEST(MsgBoxTimerProc, NoBoxWithTheTitleMovesNothing) {
  // The last MsgBoxEx was titled "Poissa"; a plain box with another title is left alone.
  WhileBoxOpen("Poissa", [&] { msgbox::MsgBoxEx(wintest::OwnerWindow(), "x", "Poissa", 0, 145, 129); });
  auto seen = WhileBoxOpen(
      "Muu", [&] { ::MessageBoxA(wintest::OwnerWindow(), "muu", "Muu", 0); },
      [](HWND box) {
        ::SetWindowPos(box, nullptr, 222, 233, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        msgbox::MsgBoxTimerProc(wintest::OwnerWindow(), WM_TIMER, msgbox::MsgBoxTimerId, 0);
      });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.rect.left, 222);
  EXPECT_EQ(seen.rect.top, 233);
  EXPECT_EQ(msgbox::CurrentBoxState().window, nullptr);
  EXPECT_FALSE(seen.topmost);
}

}  // namespace
