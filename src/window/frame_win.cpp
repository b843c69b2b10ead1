// The frame's window procedure: its border and caption, its font, and its children's notifications.
#include "window/frame_win.h"

namespace window {
namespace {

// The font that WM_SETFONT gives the frame, kept as a window property of the frame until it is gone.
constexpr const char* FontProperty = "USB.Font";

HWND RootOf(HWND window) { return ::GetAncestor(window, GA_ROOT); }

// The frame: a container that draws its etched border with the caption on the
// top line, and passes its children's notifications up to the form.
LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ::SendMessageA(RootOf(frame), message, wParam, lParam);
    case WM_SETFONT:
      ::SetPropA(frame, FontProperty, reinterpret_cast<HANDLE>(wParam));
      if (LOWORD(lParam)) ::InvalidateRect(frame, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(::GetPropA(frame, FontProperty));
    case WM_ERASEBKGND: {
      RECT area;
      ::GetClientRect(frame, &area);
      // The form colours the frame like its other controls.
      HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageA(
          RootOf(frame), WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(frame)));
      ::FillRect(reinterpret_cast<HDC>(wParam), &area, brush ? brush : ::GetSysColorBrush(COLOR_WINDOW));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(frame, &paint);
      HBRUSH brush = reinterpret_cast<HBRUSH>(
          ::SendMessageA(RootOf(frame), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(frame)));
      HGDIOBJ oldFont = ::SelectObject(dc, ::GetPropA(frame, FontProperty));
      char caption[256] = {};
      int length = ::GetWindowTextA(frame, caption, sizeof caption);
      SIZE text{};
      ::GetTextExtentPoint32A(dc, length > 0 ? caption : " ", length > 0 ? length : 1, &text);

      RECT area;
      ::GetClientRect(frame, &area);
      RECT border = area;
      border.top += text.cy / 2;
      ::DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
      if (length > 0) {
        // The caption stands on the border line, over a gap in it.
        RECT gap{6, 0, 6 + text.cx + 4, text.cy};
        ::FillRect(dc, &gap, brush ? brush : ::GetSysColorBrush(COLOR_WINDOW));
        ::SetBkMode(dc, TRANSPARENT);
        ::TextOutA(dc, 8, 0, caption, length);
      }
      ::SelectObject(dc, oldFont);
      ::EndPaint(frame, &paint);
      return 0;
    }
    case WM_NCDESTROY:
      ::RemovePropA(frame, FontProperty);
      break;
  }
  return ::DefWindowProcA(frame, message, wParam, lParam);
}

}  // namespace

void RegisterFrameClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, FrameClass, &existing)) return;
  WNDCLASSEXA frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = FrameProc;
  frame.hInstance = instance;
  frame.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  frame.lpszClassName = FrameClass;
  ::RegisterClassExA(&frame);
}

}  // namespace window
