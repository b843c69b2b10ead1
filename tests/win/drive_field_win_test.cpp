// The drive box, the help picture and the credit label on the real window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

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

// A label or a picture clicks as a button does: on the release, over the control that took the
// press. Nothing happens while the button is held, and a press that slides off is let go: no box,
// no status, no shell. Sliding back on before the release still clicks. The links' clicks that
// open the page are left to the end-to-end run, where the browser is a recording stand-in.
TEST_F(ShownForm, LabelsAndPicturesClickOnTheReleaseOverThem) {
  const struct {
    const char* name;
    const char* title;  // of the box that its click opens, or that a failed link opens
    bool opensPage;
  } clickable[] = {
      {"Image1", "USB-asennus", true},
      {"Label5", "USB-asennus", true},
      {"Image4", "USB-asennus", false},
      {"Label7", "\xA9", false},
  };
  const struct {
    const char* gesture;
    bool backOver;  // the pointer comes back over the control before the release
  } gestures[] = {{"slid off", false}, {"slid off and back", true}};
  const POINT off{1000, 740};  // off the window, which stands at the screen's top left
  for (const auto& c : clickable) {
    for (const auto& g : gestures) {
      if (c.opensPage && g.backOver) continue;
      SCOPED_TRACE(std::string(c.name) + ", " + g.gesture);
      form_->SetStatusText("USB-muisti formatoitu!");
      const POINT over = wintest::CentreOf(form_->Control(c.name));
      auto whileHeld = wintest::WhileBoxesOpen(c.title, [&] {
        wintest::MouseAt(over, MOUSEEVENTF_LEFTDOWN, 300);
        wintest::MouseAt(off, 0, 100);
        if (g.backOver) wintest::MouseAt(over, 0, 100);
      });
      const std::string statusWhileHeld = form_->StatusText();
      auto seen = wintest::WhileBoxesOpen(c.title, [&] {
        wintest::MouseAt(g.backOver ? over : off, MOUSEEVENTF_LEFTUP, 600);
      });
      EXPECT_EQ(whileHeld.size(), 0u) << "a box opened while the button was still held";
      EXPECT_EQ(statusWhileHeld, "USB-muisti formatoitu!");
      EXPECT_EQ(seen.size(), g.backOver ? 1u : 0u);
      EXPECT_EQ(form_->StatusText(), "USB-muisti formatoitu!");
      EXPECT_EQ(::GetCapture(), nullptr) << "the mouse is still held after the release";
    }
  }
}

// The second click of two on one spot comes as a double click (WM_LBUTTONDBLCLK, not
// WM_LBUTTONDOWN): it is a click too, as it is on a button.
TEST_F(ShownForm, BothClicksOfADoubleClickCount) {
  for (const char* name : {"Image4", "Label7"}) {
    SCOPED_TRACE(name);
    HWND control = form_->Control(name);
    ASSERT_TRUE(::GetClassLongPtrA(control, GCL_STYLE) & CS_DBLCLKS) << "no double clicks to count here";
    auto seen = wintest::WhileBoxesOpen(std::string(name) == "Label7" ? "\xA9" : "USB-asennus", [&] {
      wintest::SendClick(control);
      wintest::SendClick(control, WM_LBUTTONDBLCLK);
    });
    EXPECT_EQ(seen.size(), 2u);
  }
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
