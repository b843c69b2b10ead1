// UTF-8 encoding and decoding of single code points.
#include "utf8.h"

namespace utf8 {

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t Next(const std::string& text, std::size_t& i) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  std::size_t extra = (b >= 0xC2 && b < 0xE0) ? 1 : (b >= 0xE0 && b < 0xF0) ? 2 : (b >= 0xF0 && b < 0xF5) ? 3 : 0;
  char32_t cp = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
  bool valid = b < 0x80 || extra > 0;
  if (valid && i + extra >= text.size()) valid = extra == 0;
  for (std::size_t k = 1; valid && k <= extra; ++k) {
    unsigned char c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) valid = false;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (valid && extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) valid = false;
  if (valid && extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) valid = false;
  if (!valid) {
    ++i;
    return b;
  }
  i += extra + 1;
  return cp;
}

}  // namespace utf8
