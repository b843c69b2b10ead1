// The frame: the container control of the form, drawn as an etched border with its caption on the top line.
#pragma once

#include <windows.h>

namespace window {

// Its window class, registered once per module by RegisterFrameClass.
inline constexpr const char* FrameClass = "USB.Frame";
void RegisterFrameClass(HINSTANCE instance);

}  // namespace window
