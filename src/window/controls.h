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

// The form's click handlers, under the names the form gives them. Form1 implements them; the
// control table names the one that a click on each control runs.
class ClickHandlers {
 public:
  virtual void Command1_Click() = 0;
  virtual void Command2_Click() = 0;
  virtual void Command3_Click() = 0;
  virtual void Command5_Click() = 0;
  virtual void Text1_Click() = 0;
  virtual void Image1_Click() = 0;
  virtual void Label5_Click() = 0;
  virtual void Image4_Click() = 0;
  virtual void Label7_Click() = 0;

 protected:
  ~ClickHandlers() = default;
};

// What a click on a control does: the handler it runs, and whether the control is a link, which
// the mouse pointer shows as a hand. Without a handler a click does nothing, and a label or a
// picture is not even told of it.
struct ClickAction {
  void (ClickHandlers::*handler)();  // nullptr: none
  bool link;
};
inline constexpr ClickAction NoClick{nullptr, false};

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
  ClickAction click;
};

struct FormSpec {
  const char* title;
  int clientLeft, clientTop;      // twips, from the screen's top-left corner
  int clientWidth, clientHeight;  // twips
};

// The window's client area stands 60 twips right of and 450 twips below the screen's top-left
// corner, where the messages' fixed positions fall over it. Stated here rather than beside the
// table, so that a program can take the window's place and size without the table's code (the
// start-up benchmark's window does). Two blanks after the title's hyphen; three full stops and
// one blank at its end.
inline constexpr FormSpec Form1Spec{"Vakkura -  Solvara USB asennus... ", 60, 450, 7065, 6120};

// In creation order: each container before its children, children directly after it.
const std::vector<ControlSpec>& Form1Controls();

// The index of the named control in Form1Controls(); throws std::out_of_range if none.
std::size_t ControlIndex(const std::string& name);

// Control i of the table has the id FirstControlId + i: its notices name it so, and another
// program (the end-to-end driver) finds it in the window so.
inline constexpr int FirstControlId = 100;
// The id of the named control; throws std::out_of_range if none.
int ControlId(const std::string& name);

// Indexes of the controls that take the focus, in tab order.
std::vector<std::size_t> TabOrder();

bool TakesFocus(const ControlSpec& control);

}  // namespace window
