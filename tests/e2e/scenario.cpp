// Scenario scripts of the end-to-end driver: parsing their lines, and writing USB.exe's texts as event lines.
#include "scenario.h"

#include <cstdio>
#include <cstdlib>

#include "utf8.h"

namespace e2e {
namespace {

struct Verb {
  const char* word;
  StepKind kind;
  bool needsArgument;
};

// "status" and "drive" take an empty text as a line of one word: the text is then empty.
const Verb Verbs[] = {
    {"start", StepKind::Start, false},         {"attach", StepKind::Attach, false},
    {"click", StepKind::Click, true},          {"host", StepKind::Host, true},
    {"type", StepKind::Type, true},            {"close", StepKind::Close, false},         {"sleep", StepKind::Sleep, true},
    {"window", StepKind::Window, false},       {"box", StepKind::Box, true},
    {"status", StepKind::Status, false},       {"drive", StepKind::Drive, false},
    {"wait-drive", StepKind::WaitDrive, false}, {"wait-status", StepKind::WaitStatus, false},
    {"exit", StepKind::Exit, true},            {"module", StepKind::Module, true},
    {"notices", StepKind::Notices, true},      {"boxes", StepKind::Boxes, true},
    {"memory", StepKind::Memory, true},        {"no-dll", StepKind::NoDll, true},
    {"desktop-shell", StepKind::DesktopShell, false},
};

// Code page 1252 from 0x80 to 0x9F; 0 where it defines no character. From 0xA0 up
// it is Latin-1, so the byte is the code point.
const char32_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (Cp1252High[i] == c && c != 0) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendHex(std::string& out, unsigned char byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02x", byte);
  out += hex;
}

}  // namespace

bool IsCheck(StepKind kind) {
  switch (kind) {
    case StepKind::Host:
    case StepKind::Window:
    case StepKind::Box:
    case StepKind::Status:
    case StepKind::Drive:
    case StepKind::WaitDrive:
    case StepKind::WaitStatus:
    case StepKind::Exit:
    case StepKind::Module:
    case StepKind::DesktopShell:
      return true;
    default:
      return false;
  }
}

std::vector<Step> ParseScenario(const std::string& content, std::vector<std::string>& errors) {
  std::vector<Step> steps;
  int number = 0;
  std::size_t begin = 0;
  while (begin < content.size()) {
    std::size_t end = content.find('\n', begin);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(begin, end - begin);
    begin = end + 1;
    ++number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;

    const std::size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
    const Verb* verb = nullptr;
    for (const Verb& v : Verbs) {
      if (word == v.word) verb = &v;
    }
    if (verb == nullptr) {
      errors.push_back("line " + std::to_string(number) + ": unknown step \"" + word + "\"");
      continue;
    }
    if (verb->needsArgument && argument.empty()) {
      errors.push_back("line " + std::to_string(number) + ": \"" + word + "\" needs an argument");
      continue;
    }
    if (verb->kind == StepKind::Click && ButtonId(argument) == 0) {
      errors.push_back("line " + std::to_string(number) + ": no button \"" + argument +
                       "\" (1, 2, 3, sulje, help or credit)");
      continue;
    }
    NoticeBurst burst{};
    if (verb->kind == StepKind::Notices && !ParseNotices(argument, burst)) {
      errors.push_back("line " + std::to_string(number) + ": notices COUNT arrival|removal X:");
      continue;
    }
    if (verb->kind == StepKind::NoDll && argument.find_first_of(" \\/:") != std::string::npos) {
      errors.push_back("line " + std::to_string(number) + ": no-dll NAME (a DLL's name alone)");
      continue;
    }
    if (verb->kind == StepKind::Boxes && std::atoi(argument.c_str()) <= 0) {
      errors.push_back("line " + std::to_string(number) + ": boxes COUNT");
      continue;
    }
    if (verb->kind == StepKind::Memory && argument != "mark" &&
        (argument.rfind("within ", 0) != 0 || std::atoi(argument.c_str() + 7) <= 0)) {
      errors.push_back("line " + std::to_string(number) + ": memory mark, or memory within KB");
      continue;
    }
    steps.push_back(Step{verb->kind, line, argument, number});
  }
  return steps;
}

int ButtonId(const std::string& word) {
  static const struct {
    const char* word;
    const char* control;
  } clicked[] = {
      {"1", "Command2"},       // "1. Alusta usb-muisti"
      {"2", "Command1"},       // "2. Lataa VKR-linux"
      {"3", "Command5"},       // "3. Asenna VKR-linux usb-muistille"
      {"sulje", "Command3"},   // "Sulje"
      {"help", "Image4"},      // the help picture
      {"credit", "Label7"},    // the credit label
  };
  for (const auto& c : clicked) {
    if (word == c.word) return window::ControlId(c.control);
  }
  return 0;
}

bool ClicksAStatic(const std::string& word) { return word == "help" || word == "credit"; }

bool ParseNotices(const std::string& argument, NoticeBurst& burst) {
  char kind[16] = {};
  char letter = 0;
  char colon = 0;
  char tail[16] = {};
  char rest = 0;
  const int read =
      std::sscanf(argument.c_str(), "%d %15s %c%c %15s %c", &burst.count, kind, &letter, &colon, tail, &rest);
  if (read != 4 && read != 5) return false;
  burst.arrival = std::string(kind) == "arrival";
  burst.letter = letter;
  burst.inBox = read == 5;
  if (burst.inBox && std::string(tail) != "in-box") return false;
  return burst.count > 0 && (burst.arrival || std::string(kind) == "removal") && letter >= 'A' && letter <= 'Z' &&
         colon == ':';
}

NoticeBurst NoticeAt(const NoticeBurst& burst, int i) {
  if (i == burst.count - 1) return burst;
  return NoticeBurst{burst.count, i % 2 == 0, static_cast<char>('D' + i % 22), burst.inBox};
}

std::string EscapeAnsi(const std::string& cp1252) {
  std::string out;
  for (std::size_t i = 0; i < cp1252.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(cp1252[i]);
    const bool atEdge = i == 0 || i + 1 == cp1252.size();
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (byte == ' ' && atEdge) {
      // A blank at the end would be lost to any editor that trims lines.
      out += "\\x20";
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendHex(out, byte);
    } else if (byte < 0x80) {
      out += static_cast<char>(byte);
    } else if (byte < 0xA0) {
      const char32_t c = Cp1252High[byte - 0x80];
      if (c == 0) {
        AppendHex(out, byte);
      } else {
        utf8::Append(out, c);
      }
    } else {
      utf8::Append(out, byte);
    }
  }
  return out;
}

std::string UnescapeToAnsi(const std::string& escaped) {
  std::string out;
  std::size_t i = 0;
  while (i < escaped.size()) {
    if (escaped[i] != '\\' || i + 1 == escaped.size()) {
      out += ToCp1252(utf8::Next(escaped, i));
      continue;
    }
    const char code = escaped[i + 1];
    i += 2;
    switch (code) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'b': out += '\b'; break;
      case 'x':
        if (i + 1 < escaped.size() && HexValue(escaped[i]) >= 0 && HexValue(escaped[i + 1]) >= 0) {
          out += static_cast<char>(HexValue(escaped[i]) * 16 + HexValue(escaped[i + 1]));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default: out += code; break;  // \\ and any other escaped character stand for themselves
    }
  }
  return out;
}

std::string EventLine(const std::string& kind, const std::string& cp1252) {
  if (cp1252.empty()) return kind;
  return kind + " " + EscapeAnsi(cp1252);
}

std::string BoxEvent(const std::string& title, const std::string& text, std::int32_t x, std::int32_t y) {
  return "box " + EscapeAnsi(title) + "|" + EscapeAnsi(text) + "@" + std::to_string(x) + "," + std::to_string(y);
}

}  // namespace e2e
