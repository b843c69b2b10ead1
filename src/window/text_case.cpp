// TextChangeCase.
#include "window/text_case.h"

namespace window {

std::int16_t TextChangeCase(const std::int16_t& keyAscii, std::int16_t upperCase) {
  std::int16_t result = keyAscii;
  if (upperCase != 0) {
    if (keyAscii >= 97 && keyAscii <= 122) result = static_cast<std::int16_t>(keyAscii - 32);
  } else {
    if (keyAscii >= 65 && keyAscii <= 90) result = static_cast<std::int16_t>(keyAscii + 32);
  }
  return result;
}

}  // namespace window
