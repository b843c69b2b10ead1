// The smallest Win32 window program: the baseline that USB.exe's start-up time is measured against.
#include <windows.h>

#include "window/form_place_win.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = "Bench.Minimal";
  if (!::RegisterClassA(&cls)) return 1;

  // USB.exe's window's place, size and frame, so that both cost the same to show.
  HDC screen = ::GetDC(nullptr);
  const RECT outer = window::FormWindowRect(::GetDeviceCaps(screen, LOGPIXELSX));
  ::ReleaseDC(nullptr, screen);
  HWND window = ::CreateWindowExA(0, cls.lpszClassName, "Minimal", window::FormStyle, outer.left, outer.top,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                                  nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
