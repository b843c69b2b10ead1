// What the sandbox marker in a stick's root says about the stick it stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace standins {

// The marker is text: any prose, plus "name: value" lines that the tools read and write.
//   file-system: FAT32      written by the format tool; the stick then keeps that file system's rules
//   capacity: 8000000000    bytes, set by the sandbox: a folder has no size of its own, and the
//                           free space Windows reports for it is that of the disk it lies on
struct MarkerFacts {
  std::string fileSystem;              // as written, e.g. "FAT32"; "" when the stick was never formatted
  std::optional<std::uint64_t> capacity;
};

// Reads the facts out of the marker's text. Names are compared without case; other lines are
// left alone. Returns "" or what is wrong (a capacity that is not a number of bytes).
std::string ReadMarkerFacts(const std::string& text, MarkerFacts& facts);

// The marker's text with the line "name: value" in place of an earlier one of that name, or
// added at the end. Line ends follow the text's own (CR LF or LF).
std::string WithMarkerFact(const std::string& text, const std::string& name, const std::string& value);

// True when the marker says FAT32.
bool IsFat32(const MarkerFacts& facts);

}  // namespace standins
