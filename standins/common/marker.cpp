// Reading and writing the "name: value" lines of the sandbox marker.
#include "marker.h"

#include <vector>

#include "names.h"

namespace standins {

namespace {

// A marker written on Windows ends its lines with CR LF.
constexpr char Blanks[] = " \t\r";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

// The name of a "name: value" line, lower-cased, or "" for prose.
std::string FactName(const std::string& line, std::string* value) {
  std::size_t colon = line.find(':');
  if (colon == std::string::npos) return "";
  std::string name = Trim(line.substr(0, colon), Blanks);
  if (name.empty() || name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-") != std::string::npos) {
    return "";
  }
  if (value != nullptr) *value = Trim(line.substr(colon + 1), Blanks);
  return AsciiLower(name);
}

}  // namespace

std::string ReadMarkerFacts(const std::string& text, MarkerFacts& facts) {
  facts = MarkerFacts();
  for (const std::string& line : Lines(text)) {
    std::string value;
    std::string name = FactName(line, &value);
    if (name == "file-system") {
      facts.fileSystem = value;
    } else if (name == "capacity") {
      if (value.empty() || value.size() > 19 || value.find_first_not_of("0123456789") != std::string::npos) {
        return "the marker's capacity \"" + value + "\" is not a number of bytes";
      }
      facts.capacity = std::stoull(value);
    }
  }
  return "";
}

std::string WithMarkerFact(const std::string& text, const std::string& name, const std::string& value) {
  const bool crlf = text.find("\r\n") != std::string::npos;
  const std::string eol = crlf ? "\r\n" : "\n";
  const std::string fact = name + ": " + value;
  std::string out;
  bool replaced = false;
  for (std::string line : Lines(text)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (FactName(line, nullptr) == AsciiLower(name)) {
      if (replaced) continue;  // a second line of that name would contradict the first
      line = fact;
      replaced = true;
    }
    out += line + eol;
  }
  if (!replaced) out += fact + eol;
  return out;
}

bool IsFat32(const MarkerFacts& facts) { return AsciiLower(facts.fileSystem) == "fat32"; }

}  // namespace standins
