// Where Form1's window stands on the screen and how big it is: for Form1 itself, and for the
// start-up benchmark's window, which is to cost the same to show.
#pragma once

#include <windows.h>

#include "platform/twips.h"
#include "window/controls.h"

namespace window {

// A fixed single window: it can be moved and minimised, not resized.
inline constexpr DWORD FormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The window's outer rectangle in screen pixels at dpi dots per inch: the frame of FormStyle
// around a client area of Form1Spec's place and size.
inline RECT FormWindowRect(int dpi) {
  const double twipsPerPixel = platform::TwipsPerPixel(dpi);
  RECT outer{0, 0, platform::TwipsToPixels(Form1Spec.clientWidth, twipsPerPixel),
             platform::TwipsToPixels(Form1Spec.clientHeight, twipsPerPixel)};
  ::AdjustWindowRectEx(&outer, FormStyle, FALSE, 0);
  ::OffsetRect(&outer, platform::TwipsToPixels(Form1Spec.clientLeft, twipsPerPixel),
               platform::TwipsToPixels(Form1Spec.clientTop, twipsPerPixel));
  return outer;
}

}  // namespace window
