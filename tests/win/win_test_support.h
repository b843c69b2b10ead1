// Helpers of the Windows tests: message boxes opened, read and closed on the test's own thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "window/form1_win.h"

namespace wintest {

// What a message box looked like a moment after it opened.
struct SeenBox {
  bool found = false;
  std::string title;   // ANSI bytes
  std::string prompt;  // ANSI bytes
  RECT rect{};
  bool topmost = false;
};

// Runs open(), which is expected to show a modal box titled `title` (ANSI); a
// thread timer running inside the box's modal loop reads the box once it has
// stood open for a moment (after calling inside(box), if given), then clicks
// its OK button. Returns what it saw.
SeenBox WhileBoxOpen(const std::string& title, const std::function<void()>& open,
                     const std::function<void(HWND box)>& inside = nullptr);

// Like WhileBoxOpen, for a chain that opens several boxes of that title one
// after another: each is read and closed in turn (after inside(box), if given).
std::vector<SeenBox> WhileBoxesOpen(const std::string& title, const std::function<void()>& open,
                                    const std::function<void(HWND box)>& inside = nullptr);

// Clicks with the real mouse at a point of the screen (SendInput), then pumps.
void ClickAt(POINT screen);
// Puts the real mouse at a point of the screen, then sends one button event (MOUSEEVENTF_LEFTDOWN,
// MOUSEEVENTF_LEFTUP; 0 for none) there, and pumps for ms milliseconds.
void MouseAt(POINT screen, DWORD button, DWORD ms);
// A click as a control's window procedure gets it from the mouse, sent at a point inside it: the
// press (WM_LBUTTONDOWN, or WM_LBUTTONDBLCLK for the second click of a double click), then the
// release. Returns once whatever the click runs has returned.
void SendClick(HWND control, UINT press = WM_LBUTTONDOWN);
POINT CentreOf(HWND window);

// A new Form1 on this thread, with the common controls registered.
std::unique_ptr<window::Form1> NewForm();

// The screen's DPI, as the window lays itself out at it (GetDeviceCaps LOGPIXELSX). A run made for
// another DPI names it in USB_TEST_DPI: a screen at any other DPI then fails the calling test, so
// that the run cannot pass at 96 dpi unnoticed.
int ScreenDpi();

// Whether the tests run in the virtual machine's software emulation (scripts/vm/guest sets
// USB_IN_VM), where what costs milliseconds on a host can cost seconds.
bool InVirtualMachine();

// A window's text through WM_GETTEXT, as another program would read it.
std::string Text(HWND w);

// Dispatches the thread's messages for about ms milliseconds.
void Pump(DWORD ms);

// A plain visible top-level window to own boxes.
HWND OwnerWindow();

// Points this test program's own import of a system function (say "GetSystemWindowsDirectoryA")
// at a replacement while it lives, so that the program's code, linked in, calls the replacement:
// a way to fake what the system answers. Inactive when the program does not import the function.
class ImportPatch {
 public:
  ImportPatch(const char* function, const void* replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool active() const { return slot_ != nullptr; }
  // The system's own function, to call through to.
  template <typename Function>
  Function original() const {
    return reinterpret_cast<Function>(original_);
  }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

// The GDI objects (fonts, brushes, pens, bitmaps, regions, device contexts) that this test
// program's own code makes and frees while the tally lives, counted at its imports of the system's
// functions (ImportPatch). Under Wine, GetGuiResources is a stub that answers 0: this is how a
// leak shows there. An object counts as freed only when it was made while the tally lives.
class GdiTally {
 public:
  GdiTally();
  ~GdiTally();
  GdiTally(const GdiTally&) = delete;
  GdiTally& operator=(const GdiTally&) = delete;

  int made() const;
  int freed() const;
  // Whether the program imports `function` ("CreateFontA"), so that its calls are counted.
  bool counts(const char* function) const;

 private:
  std::vector<std::unique_ptr<ImportPatch>> patches_;
};

// A new empty folder under the temporary folder; its path without a trailing backslash.
std::string NewTempFolder(const std::string& hint);
// The folder of the running test program.
std::string ExeFolder();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace wintest
