// Form1's keyboard and mouse before its handlers: Tab and Enter, the drive box, the clickable labels and pictures.
#include "window/form1_win.h"

#include <windows.h>

#include "window/ids.h"

namespace window {
namespace {

// Whether a mouse message's point (client coordinates in lParam) lies inside the control: a
// press and a release inside it make a click.
bool InsideClientArea(HWND control, LPARAM lParam) {
  const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  RECT area;
  ::GetClientRect(control, &area);
  return ::PtInRect(&area, at) != 0;
}

}  // namespace

bool Form1::PreTranslateMessage(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  if (message.wParam == VK_TAB) {
    const std::vector<std::size_t> order = TabOrder();
    const int current = ControlAt(::GetFocus());
    std::size_t position = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (static_cast<int>(order[i]) == current) position = i;
    }
    const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
    std::size_t next = current < 0 ? 0 : (position + (backwards ? order.size() - 1 : 1)) % order.size();
    HWND target = controls_[order[next]];
    ::SetFocus(target);
    if (Form1Controls()[order[next]].kind == ControlKind::TextBox) ::SendMessageA(target, EM_SETSEL, 0, -1);
    return true;
  }
  if (message.wParam == VK_RETURN) {
    const int current = ControlAt(::GetFocus());
    if (current >= 0 && Form1Controls()[current].kind == ControlKind::CommandButton) {
      // Bit 30 set: the key was down already, and this is the keyboard's auto-repeat. A held
      // Enter presses the button once; each repeat would otherwise close the step's box and
      // press the button again, and run the step over and over until the key is let go.
      const bool repeat = (message.lParam & (LPARAM{1} << 30)) != 0;
      if (!repeat) ::SendMessageA(controls_[current], BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

LRESULT Form1::HandleDriveBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR: {
      // The code of the character in the ANSI code page, as an ANSI window gets it.
      std::int16_t keyAscii = static_cast<std::int16_t>(static_cast<unsigned char>(wParam & 0xFF));
      Text1_KeyPress(keyAscii);
      if (keyAscii == 0) return 0;  // discarded: the box never sees it
      wParam = static_cast<WPARAM>(static_cast<unsigned char>(keyAscii));
      break;
    }
    case WM_LBUTTONDOWN:
      driveBoxPressed_ = true;
      break;
    case WM_LBUTTONUP:
      // A click is a press and a release inside the box; the warning opens once
      // the edit has finished with the mouse.
      if (driveBoxPressed_) {
        driveBoxPressed_ = false;
        if (InsideClientArea(box, lParam)) ::PostMessageA(window_, WmAppText1Click, 0, 0);
      }
      break;
    case WM_NCDESTROY: {
      // The edit finishes with its last message, then the property goes, before the box does.
      const LRESULT result = ::CallWindowProcA(driveBoxPrevious_, box, message, wParam, lParam);
      ::RemovePropA(box, FormProperty);
      return result;
    }
  }
  return ::CallWindowProcA(driveBoxPrevious_, box, message, wParam, lParam);
}

LRESULT Form1::HandleClickable(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The second press of a double click comes as WM_LBUTTONDBLCLK (the static class asks for
      // double clicks): it is a press as well, so that each click of the user's counts.
      // The mouse is held until the release, wherever the pointer goes meanwhile.
      pressed_ = control;
      ::SetCapture(control);
      break;
    case WM_CAPTURECHANGED:
      // Another window took the mouse during the press: there is no click to come.
      if (pressed_ == control && reinterpret_cast<HWND>(lParam) != control) pressed_ = nullptr;
      break;
    case WM_LBUTTONUP:
      // A click when the button comes up over the control that took the press; off it, the
      // press is let go, as a user who slides off a button means it to be.
      if (pressed_ == control) {
        pressed_ = nullptr;
        ::ReleaseCapture();
        const bool inside = InsideClientArea(control, lParam);
        const LRESULT result = ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
        const int index = ControlAt(control);
        if (inside && index >= 0) Click(static_cast<std::size_t>(index));
        return result;
      }
      break;
    case WM_NCDESTROY: {
      const LRESULT result = ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
      ::RemovePropA(control, FormProperty);
      return result;
    }
  }
  return ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
}

LRESULT CALLBACK Form1::ClickableProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = static_cast<Form1*>(::GetPropA(control, FormProperty));
  if (form == nullptr) return ::DefWindowProcA(control, message, wParam, lParam);
  try {
    return form->HandleClickable(control, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT CALLBACK Form1::DriveBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = static_cast<Form1*>(::GetPropA(box, FormProperty));
  if (form == nullptr) return ::DefWindowProcA(box, message, wParam, lParam);
  try {
    return form->HandleDriveBox(box, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace window
