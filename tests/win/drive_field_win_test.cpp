// The drive box, the help picture and the credit label on the real window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "win_test_support.h"
#include "window/form1_win.h"

namespace {

class ShownForm : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    form_ = window::Form1::Create(::GetModuleHandleA(nullptr));
    form_->Show();
    ::SetForegroundWindow(form_->Handle());
    wintest::Pump(200);
  }
  std::string Box() { return form_->DriveBoxText(); }
  std::unique_ptr<window::Form1> form_;
};

TEST_F(ShownForm, SmallLetterIsRefusedWithTheWarningAndStatus) {
  for (char key : {'e', '5'}) {
    form_->SetStatusText("USB-muisti laitettiin asemaan!");
    std::string boxWhileOpen = "-";
    auto seen = wintest::WhileBoxOpen(
        "USB-asennus", [&] { ::SendMessageA(form_->Control("Text1"), WM_CHAR, key, 1); },
        [&](HWND) { boxWhileOpen = Box(); });
    ASSERT_TRUE(seen.found) << key;
    EXPECT_EQ(seen.prompt, "Laita USB-muisti. Aseman tunnus on v\xE4\xE4r\xE4!");
    EXPECT_EQ(seen.rect.left, 34);
    EXPECT_EQ(seen.rect.top, 135);
    EXPECT_EQ(boxWhileOpen, "");
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(form_->StatusText(), "Laita USB-muisti!");
  }
}

TEST_F(ShownForm, CapitalsColonAndAccentedLettersGoIn) {
  form_->SetStatusText("USB-muisti laitettiin asemaan!");
  auto seen = wintest::WhileBoxesOpen("USB-asennus", [&] {
    for (int key : {int{'E'}, int{':'}, 0xE4}) ::SendMessageA(form_->Control("Text1"), WM_CHAR, key, 1);
    wintest::Pump(300);
  });
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(Box(), "E:\xC3\xA4");  // read back as UTF-8
  EXPECT_EQ(form_->StatusText(), "USB-muisti laitettiin asemaan!");
}

TEST_F(ShownForm, RealClickIntoTheBoxWarns) {
  form_->SetStatusText("USB-muisti formatoitu!");
  auto seen = wintest::WhileBoxesOpen("USB-asennus", [&] {
    wintest::ClickAt(wintest::CentreOf(form_->Control("Text1")));
    wintest::Pump(800);
  });
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].prompt, "\xC4l\xE4 muuta aseman tunnusta!");
  EXPECT_EQ(seen[0].rect.left, 155);
  EXPECT_EQ(seen[0].rect.top, 129);
  EXPECT_EQ(form_->StatusText(), "USB-muisti formatoitu!");
}

TEST_F(ShownForm, ClickOnTheHelpPictureShowsTheHelp) {
  form_->SetStatusText("Solvara Linux ladattu!");
  auto seen = wintest::WhileBoxesOpen("USB-asennus", [&] {
    wintest::ClickAt(wintest::CentreOf(form_->Control("Image4")));
    wintest::Pump(800);
  });
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].prompt.rfind("Liit\xE4 usb-muistitikku", 0), 0u);
  EXPECT_EQ(seen[0].rect.left, 20);
  EXPECT_EQ(seen[0].rect.top, 114);
  EXPECT_EQ(form_->StatusText(), "Solvara Linux ladattu!");
}

TEST_F(ShownForm, ClickOnTheCreditLabelShowsTheCredit) {
  form_->SetStatusText("Solvara Linux ladattu!");
  auto seen = wintest::WhileBoxesOpen("\xA9", [&] {
    wintest::ClickAt(wintest::CentreOf(form_->Control("Label7")));
    wintest::Pump(800);
  });
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "\xA9");
  EXPECT_NE(seen[0].prompt.find("VKR"), std::string::npos);
  EXPECT_EQ(seen[0].rect.left, 18);
  EXPECT_EQ(seen[0].rect.top, 252);
  EXPECT_EQ(form_->StatusText(), "Solvara Linux ladattu!");
}

TEST_F(ShownForm, ClicksOnPlainLabelsAndPicturesDoNothing) {
  form_->SetStatusText("USB-muisti formatoitu!");
  auto seen = wintest::WhileBoxesOpen("USB-asennus", [&] {
    for (const char* name : {"Label1", "Label2", "Label4", "Label6", "Image2", "Image3"}) {
      wintest::ClickAt(wintest::CentreOf(form_->Control(name)));
      wintest::Pump(150);
    }
  });
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(form_->StatusText(), "USB-muisti formatoitu!");
}

}  // namespace
