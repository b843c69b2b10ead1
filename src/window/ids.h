// The window's own timer identifiers, window messages and window properties, in one place.
#pragma once

#include <cstdint>

// The one-shot timer that moves a message box into place once it is open.
constexpr std::uintptr_t MsgBoxTimerId = 0x5001;

// WM_APP + n: posted by the drive box to its form after a mouse click, so that the
// click warning opens once the edit has finished with the mouse.
constexpr unsigned int WmAppText1Click = 0x8000 + 1;

// The window class of Form1, by which another program (the end-to-end driver) finds the window.
constexpr const char* FormClass = "USB.Form1";

// The window property through which the volume watcher reaches the drive box and
// the status line of the window it watches.
constexpr const char* NoticeTargetProperty = "USB.NoticeTarget";
