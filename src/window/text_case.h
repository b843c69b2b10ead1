// TextChangeCase: the form's public method that changes the case of a typed letter.
#pragma once

#include <cstdint>

namespace window {

// The code of a typed letter in capitals (upperCase non-zero) or small letters.
// Only the 26 ASCII letters change; keyAscii itself is not changed.
std::int16_t TextChangeCase(const std::int16_t& keyAscii, std::int16_t upperCase);

}  // namespace window
