// The drive-box filter and its click warning.
#include "window/drive_field.h"

#include "services/status_sentences.h"

namespace window {

bool IsRefusedKey(std::int16_t keyAscii) {
  if (keyAscii >= 97 && keyAscii <= 122) return true;  // a to z
  return keyAscii >= '0' && keyAscii <= '9';           // by code, not by any collation
}

void Text1_KeyPress(services::WindowServices& window, std::int16_t& keyAscii) {
  if (!IsRefusedKey(keyAscii)) return;
  keyAscii = 0;
  window.ShowMessage("Laita USB-muisti. Aseman tunnus on väärä!", services::MessageTitle, services::MessageStyle,
                     34, 135);
  window.SetStatusText(services::PutStickInSentence);
}

void Text1_Click(services::WindowServices& window) {
  window.ShowMessage("Älä muuta aseman tunnusta!", services::MessageTitle, services::MessageStyle, 155, 129);
}

}  // namespace window
