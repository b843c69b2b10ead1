// The drive box's key filter, its warnings, and TextChangeCase.
#include <gtest/gtest.h>

#include "fake_form.h"
#include "window/drive_field.h"
#include "window/text_case.h"

namespace {

using window::IsRefusedKey;
using window::TextChangeCase;

TEST(DriveBoxFilter, RefusesExactlySmallLettersAndDigits) {
  for (int code = 0; code <= 255; ++code) {
    const bool expected = (code >= 'a' && code <= 'z') || (code >= '0' && code <= '9');
    EXPECT_EQ(IsRefusedKey(static_cast<std::int16_t>(code)), expected) << code;
  }
}

TEST(DriveBoxFilter, RefusedKeyIsDiscardedBeforeTheWarning) {
  test::FakeForm form;
  form.status = "USB-muisti laitettiin asemaan!";
  std::int16_t key = 'e';
  std::int16_t keyWhileOpen = -1;
  form.whileBoxOpen = [&] { keyWhileOpen = key; };
  window::Text1_KeyPress(form, key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(keyWhileOpen, 0);
  EXPECT_EQ(form.log, (std::vector<std::string>{test::Box("Laita USB-muisti. Aseman tunnus on väärä!", 34, 135),
                                                "status: Laita USB-muisti!"}));
}

TEST(DriveBoxFilter, AcceptedKeysPassUntouchedAndSilently) {
  for (int code : {int{'E'}, int{':'}, int{' '}, 8, 22, 0xE4, 0xF6, int{'/'}, int{'Z'}}) {
    test::FakeForm form;
    std::int16_t key = static_cast<std::int16_t>(code);
    window::Text1_KeyPress(form, key);
    EXPECT_EQ(key, code);
    EXPECT_TRUE(form.log.empty()) << code;
  }
}

TEST(DriveBoxClick, WarnsAndLeavesTheStatusLine) {
  test::FakeForm form;
  form.status = "USB-muisti formatoitu!";
  window::Text1_Click(form);
  EXPECT_EQ(form.log, (std::vector<std::string>{test::Box("Älä muuta aseman tunnusta!", 155, 129)}));
  EXPECT_EQ(form.status, "USB-muisti formatoitu!");
}

TEST(TextChangeCase, ConvertsOnlyTheAsciiLetters) {
  const struct {
    int key;
    int upper;
    int result;
  } cases[] = {
      {97, 1, 65}, {122, 1, 90}, {96, 1, 96}, {123, 1, 123}, {65, 1, 65},
      {65, 0, 97}, {90, 0, 122}, {64, 0, 64}, {91, 0, 91},   {97, 0, 97},
      {97, -1, 65}, {228, 1, 228}, {196, 0, 196}, {0, 1, 0},
  };
  for (const auto& c : cases) {
    const std::int16_t key = static_cast<std::int16_t>(c.key);
    EXPECT_EQ(TextChangeCase(key, static_cast<std::int16_t>(c.upper)), c.result) << c.key << "," << c.upper;
    EXPECT_EQ(key, c.key);
  }
}

}  // namespace
