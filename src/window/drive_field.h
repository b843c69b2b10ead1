// The drive box's reactions to the user.
#pragma once

#include <cstdint>

#include "services/window_services.h"

namespace window {

// True for the key codes the drive box refuses: the small letters a to z and the
// digits 0 to 9 (codes in the ANSI code page; both ranges are plain ASCII).
bool IsRefusedKey(std::int16_t keyAscii);

// Typed into the drive box. A refused key is set to 0 first, so that the box never
// shows it, then the warning opens and the status line follows.
void Text1_KeyPress(services::WindowServices& window, std::int16_t& keyAscii);

// A click into the drive box: a warning not to change the letter.
void Text1_Click(services::WindowServices& window);

}  // namespace window
