// MsgBoxEx: a modal message box moved to a screen position once it is open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace msgbox {

// Shows a standard message box (prompt and title in UTF-8, handed over as ANSI)
// and has a one-shot timer move it to (x, y), pulled back onto the screen, and
// into the topmost band. Only a key pressed afresh while the box is open presses
// its button. Returns the button code narrowed to 16 bits.
std::int16_t MsgBoxEx(HWND owner, const std::string& prompt, const std::string& title, std::uint32_t style,
                      std::int32_t x, std::int32_t y);

// The one-shot timer that moves a box into place once it is open: set on the box's owner,
// run by the box's modal loop.
constexpr UINT_PTR MsgBoxTimerId = 0x5001;

// The timer callback: runs once inside the box's modal loop.
VOID CALLBACK MsgBoxTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);

// The module state, for tests.
struct BoxState {
  std::string title;  // ANSI
  std::int32_t x;
  std::int32_t y;
  HWND window;
};
BoxState CurrentBoxState();

}  // namespace msgbox
