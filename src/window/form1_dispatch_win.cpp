// Form1's window procedure: its messages dispatched to the handlers, its controls' colours, its close.
#include "window/form1_win.h"

#include <windows.h>

#include "window/ids.h"

namespace window {
namespace {

// The platform-free headers restate these numbers.
static_assert(WmAppText1Click == WM_APP + 1, "ids.h's message is WM_APP + 1");
static_assert(ActiveCaption == COLOR_ACTIVECAPTION && Window == COLOR_WINDOW && MenuText == COLOR_MENUTEXT &&
                  WindowText == COLOR_WINDOWTEXT && HighlightText == COLOR_HIGHLIGHTTEXT &&
                  ButtonFace == COLOR_BTNFACE && ButtonText == COLOR_BTNTEXT && DarkShadow3D == COLOR_3DDKSHADOW,
              "controls.h's colour indexes are Windows' own");

}  // namespace

void Form1::OnCommand(std::size_t control, WORD code) {
  const ControlSpec& c = Form1Controls()[control];
  // A label's or a picture's STN_CLICKED comes with the press, not the click: HandleClickable
  // sees their clicks.
  if (c.kind == ControlKind::CommandButton && code == BN_CLICKED) Click(control);
}

void Form1::Click(std::size_t control) {
  const ClickAction& click = Form1Controls()[control].click;
  if (click.handler != nullptr) (this->*click.handler)();
}

LRESULT Form1::OnControlColour(HDC dc, HWND control) {
  const int index = ControlAt(control);
  if (index < 0) return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
  const ControlSpec& c = Form1Controls()[index];
  const int back = c.backColour != NoColour ? c.backColour : Window;
  if (c.textColour != NoColour) ::SetTextColor(dc, ::GetSysColor(c.textColour));
  ::SetBkColor(dc, ::GetSysColor(back));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(back));
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = static_cast<int>(LOWORD(wParam)) - FirstControlId;
      if (lParam != 0 && index >= 0 && static_cast<std::size_t>(index) < controls_.size() &&
          controls_[index] == reinterpret_cast<HWND>(lParam)) {
        OnCommand(static_cast<std::size_t>(index), HIWORD(wParam));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR: {
      const HWND under = reinterpret_cast<HWND>(wParam);
      if (tooltip_ == nullptr) CreateTooltips(under);
      // The links show the hand, as links do.
      const int index = ControlAt(under);
      if (index >= 0 && Form1Controls()[index].click.link) {
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATE:
      // Keep the keyboard focus on its control across a message box or another window.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && ::IsWindow(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WmAppText1Click:
      Click(ControlIndex("Text1"));
      return 0;
    case WM_CLOSE:
      // Served wherever it comes: from the window's own loop, or from the modal loop of a step's
      // message box, the step's chain then still running below. That chain returns into this
      // object, which lives on (WinMain holds it until its loop has ended), asks Closed() and
      // touches no control of the window that has gone.
      Unload();
      return 0;
    case WM_DESTROY:
      closed_ = true;
      if (quitOnDestroy_) ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // A window's properties are to be removed before it is gone.
      ::RemovePropA(window_, volume_watch::NoticeTargetProperty);
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    created->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr || form->window_ != window) return ::DefWindowProcA(window, message, wParam, lParam);
  try {
    return form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // No exception leaves an event handler.
    return 0;
  }
}

}  // namespace window
