// Form1's control table: geometry in twips, texts, fonts, colours and tooltips.
#include "window/controls.h"

#include <algorithm>
#include <stdexcept>

#include "publisher.h"
#include "resource_ids.h"

namespace window {
namespace {

constexpr FontSpec NoFont{nullptr, 0, 0};
constexpr FontSpec Verdana9Bold{"Verdana", 9, 700};
constexpr FontSpec Verdana825Bold{"Verdana", 8.25, 700};
constexpr FontSpec Verdana825{"Verdana", 8.25, 400};
constexpr FontSpec SansSerif825{"MS Sans Serif", 8.25, 400};
constexpr FontSpec SansSerif825Bold{"MS Sans Serif", 8.25, 700};

using K = ControlKind;
using P = PictureKind;
using H = ClickHandlers;

constexpr ClickAction Runs(void (H::*handler)()) { return {handler, false}; }
constexpr ClickAction OpensLink(void (H::*handler)()) { return {handler, true}; }

}  // namespace

const std::vector<ControlSpec>& Form1Controls() {
  static const std::vector<ControlSpec> controls{
      // name, kind, container, left, top, width, height, tab, text, font, text colour, back colour,
      // tooltip, picture, resource, click
      {"Frame1", K::Frame, nullptr, 0, 0, 7095, 6135, 0,
       "Liitä nyt usb-muistitikku (väh. 1 Gt) koneeseen tunnistusta varten.", Verdana9Bold, MenuText, Window,
       nullptr, P::None, 0, NoClick},
      {"Command3", K::CommandButton, "Frame1", 5400, 5400, 1215, 495, 4, "Sulje", Verdana825Bold, ButtonText,
       Window, "Sulje ohjelma!", P::None, 0, Runs(&H::Command3_Click)},
      {"Command2", K::CommandButton, "Frame1", 480, 1800, 1935, 495, 3, "1. Alusta usb-muisti", Verdana825,
       ButtonText, ButtonFace, nullptr, P::None, 0, Runs(&H::Command2_Click)},
      {"Command1", K::CommandButton, "Frame1", 2520, 1800, 1815, 495, 2, "2. Lataa VKR-linux", Verdana825,
       ButtonText, ButtonFace, nullptr, P::None, 0, Runs(&H::Command1_Click)},
      {"Text1", K::TextBox, "Frame1", 4080, 600, 2775, 375, 11, "", SansSerif825, WindowText, Window, nullptr,
       P::None, 0, Runs(&H::Text1_Click)},
      {"Frame2", K::Frame, "Frame1", 240, 1320, 6615, 1935, 6, "VKR Solvara-linuxin 7.10 asennus",
       SansSerif825Bold, ActiveCaption, Window, nullptr, P::None, 0, NoClick},
      {"Command5", K::CommandButton, "Frame2", 4200, 480, 2175, 495, 8, "3. Asenna VKR-linux usb-muistille",
       Verdana825, ButtonText, ButtonFace, nullptr, P::None, 0, Runs(&H::Command5_Click)},
      {"Image4", K::Picture, "Frame2", 5640, 1080, 480, 480, -1, "", NoFont, NoColour, NoColour,
       "Lue ohje tästä!", P::Icon, IDI_HELP, Runs(&H::Image4_Click)},
      {"Image3", K::Picture, "Frame1", 240, 3840, 6615, 810, -1, "", NoFont, NoColour, NoColour, nullptr,
       P::Bitmap, IDB_IMAGE3, NoClick},
      {"Image2", K::Picture, "Frame1", 240, 3240, 6615, 810, -1, "", NoFont, NoColour, NoColour, nullptr,
       P::Bitmap, IDB_IMAGE2, NoClick},
      {"Label2", K::Label, "Frame1", 120, 240, 6615, 255, 12,
       "Sammuta ensin kaikki USB-kiintolevyt ja poista muut USB-muistit!", Verdana825Bold, ActiveCaption,
       Window, nullptr, P::None, 0, NoClick},
      {"Label7", K::Label, "Frame1", 5520, 5880, 1215, 255, 10, "Tekijä: VKR", SansSerif825, ButtonText, Window,
       nullptr, P::None, 0, Runs(&H::Label7_Click)},
      {"Label6", K::Label, "Frame1", 3600, 960, 495, 255, 9, "Info:", Verdana825Bold, ButtonText, Window,
       nullptr, P::None, 0, NoClick},
      {"Label5", K::Label, "Frame1", 1800, 5640, 1575, 255, 7, publisher::HomePageDisplayText, SansSerif825Bold,
       ButtonText, Window, publisher::HomePageDisplayText, P::None, 0, OpensLink(&H::Label5_Click)},
      {"Image1", K::Picture, "Frame1", 120, 5160, 1275, 705, -1, "", NoFont, NoColour, NoColour, nullptr,
       P::Bitmap, IDB_LOGO, OpensLink(&H::Image1_Click)},
      {"Label4", K::Label, "Frame1", 4080, 960, 2775, 255, 5, "", SansSerif825Bold, DarkShadow3D, Window,
       nullptr, P::None, 0, NoClick},
      {"Label1", K::Label, "Frame1", 480, 600, 3735, 375, 1, "Usb-muistisi levyaseman tunnus on:", Verdana9Bold,
       ButtonText, Window, nullptr, P::None, 0, NoClick},
  };
  return controls;
}

std::size_t ControlIndex(const std::string& name) {
  const auto& controls = Form1Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (name == controls[i].name) return i;
  }
  throw std::out_of_range("no control named " + name);
}

int ControlId(const std::string& name) { return FirstControlId + static_cast<int>(ControlIndex(name)); }

bool TakesFocus(const ControlSpec& control) {
  return control.kind == ControlKind::CommandButton || control.kind == ControlKind::TextBox;
}

std::vector<std::size_t> TabOrder() {
  const auto& controls = Form1Controls();
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (TakesFocus(controls[i])) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return controls[a].tabIndex < controls[b].tabIndex; });
  return order;
}

}  // namespace window
