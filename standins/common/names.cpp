// Drive-argument syntax, file-name safety and text conversion, shared by the stand-ins.
#include "names.h"

#include <cwchar>

#include "utf8.h"

namespace standins {

wchar_t DriveLetterFromArg(const std::wstring& arg) {
  if (arg.size() != 2 || arg[1] != L':') return 0;
  wchar_t c = arg[0];
  if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return (c >= L'A' && c <= L'Z') ? c : 0;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

namespace {

bool IsReservedDeviceName(const std::wstring& name) {
  // Windows maps these names to devices even with an extension ("CON.txt"),
  // so writing such a file would write to a device instead of the stick.
  std::wstring base = AsciiLower(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  static const wchar_t* const Fixed[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
  for (const wchar_t* reserved : Fixed) {
    if (base == reserved) return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, L"com") == 0 || base.compare(0, 3, L"lpt") == 0)) {
    return base[3] >= L'0' && base[3] <= L'9';
  }
  return false;
}

}  // namespace

std::string UnsafeNameReason(const std::wstring& name) {
  if (name.empty()) return "the name is empty";
  if (IsDotEntry(name)) return "the name is a reference to a folder (\".\" or \"..\")";
  for (wchar_t c : name) {
    if (c < 0x20 || c == 0x7F) return "the name holds a control character";
    if (c == L'\\' || c == L'/') return "the name holds a path separator";
    if (c == L':') return "the name holds a colon";
    if (std::wcschr(L"*?\"<>|", c) != nullptr) return "the name holds a character Windows does not allow";
  }
  if (name.back() == L'.' || name.back() == L' ') {
    return "the name ends in a dot or a blank, which Windows would drop";
  }
  if (IsReservedDeviceName(name)) return "the name is a Windows device name";
  return "";
}

namespace {

void AppendWide(std::wstring& out, char32_t cp) {
  if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (cp >> 10));
    out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<wchar_t>(cp);
  }
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
      char32_t low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) cp = 0xFFFD;  // a lone surrogate
    utf8::Append(out, cp);
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  std::size_t i = 0;
  while (i < text.size()) AppendWide(out, utf8::Next(text, i));  // a stray byte stays visible as Latin-1
  return out;
}

std::string Trim(const std::string& text, const char* blanks) {
  const std::size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return "";
  const std::size_t end = text.find_last_not_of(blanks);
  return text.substr(begin, end - begin + 1);
}

}  // namespace standins
