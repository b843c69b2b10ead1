// UTF-8, one code point at a time: the codec of the stand-ins' messages and of the end-to-end
// driver's event lines.
#pragma once

#include <cstddef>
#include <string>

namespace utf8 {

// Appends the code point's UTF-8 bytes (one to four).
void Append(std::string& out, char32_t codePoint);

// The code point that starts at text[i], with i moved past it. A byte that does not start a whole,
// shortest-form UTF-8 sequence of a code point outside the surrogates reads as itself (Latin-1),
// and i moves one byte on: every byte stays visible.
char32_t Next(const std::string& text, std::size_t& i);

}  // namespace utf8
