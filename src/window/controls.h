// The window's description: Form1 and every control, as data.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace window {

enum class ControlKind { Frame, Label, TextBox, CommandButton, Picture };
enum class PictureKind { None, Bitmap, Icon };

struct FontSpec {
  const char* face;  // nullptr: the control has no font of its own
  double points;
  int weight;  // 400 regular, 700 bold
};

// System colour indexes (GetSysColor), as the form names them.
enum SystemColour : int {
  NoColour = -1,
  ActiveCaption = 2,   // COLOR_ACTIVECAPTION
  Window = 5,          // COLOR_WINDOW
  MenuText = 7,        // COLOR_MENUTEXT
  WindowText = 8,      // COLOR_WINDOWTEXT
  HighlightText = 14,  // COLOR_HIGHLIGHTTEXT
  ButtonFace = 15,     // COLOR_BTNFACE
  ButtonText = 18,     // COLOR_BTNTEXT
  DarkShadow3D = 21,   // COLOR_3DDKSHADOW
};

struct ControlSpec {
  const char* name;
  ControlKind kind;
  const char* container;          // nullptr: the window's client area
  int left, top, width, height;   // twips, from the container's top-left corner
  int tabIndex;                   // -1: the control has none
  const char* text;               // UTF-8 caption or text at start
  FontSpec font;
  SystemColour textColour;
  SystemColour backColour;
  const char* tooltip;            // nullptr: none
  PictureKind picture;
  int resourceId;                 // the picture's resource, 0 if none
  bool clickable;                 // has a click handler
};

struct FormSpec {
  const char* title;
  int clientWidth, clientHeight;  // twips
};

const FormSpec& Form1Spec();

// In creation order: each container before its children, children directly after it.
const std::vector<ControlSpec>& Form1Controls();

// The index of the named control in Form1Controls(); throws std::out_of_range if none.
std::size_t ControlIndex(const std::string& name);

// Indexes of the controls that take the focus, in tab order.
std::vector<std::size_t> TabOrder();

bool TakesFocus(const ControlSpec& control);

}  // namespace window
