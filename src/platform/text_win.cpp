// UTF-8 <-> ANSI conversion and window texts.
#include "platform/text_win.h"

#include <vector>

namespace platform {
namespace {

// Empty when the text is not valid in the code page (with MB_ERR_INVALID_CHARS).
std::optional<std::wstring> Widen(const std::string& text, UINT codePage, DWORD flags) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (::MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], n) != n) return std::nullopt;
  return wide;
}

// UTF-16 to the code page. With `exactly`, empty unless every character has its own code in the
// code page and the text comes back unchanged; otherwise what the code page lacks becomes its
// default character. Never a best-fit look-alike.
std::optional<std::string> Narrow(const std::wstring& wide, UINT codePage, bool exactly) {
  if (wide.empty()) return std::string();
  // UTF-8 (CP_UTF8 itself, or the system's ANSI code page where Windows 10 and later are set to
  // it) takes neither flag nor default-character report: it holds every character, and the check
  // on the way back catches a lone surrogate.
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && ::GetACP() == CP_UTF8);
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  BOOL* const reportDefault = utf8 ? nullptr : &usedDefault;
  const int n = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string text(static_cast<size_t>(n), '\0');
  if (::WideCharToMultiByte(codePage, flags, wide.data(), size, &text[0], n, nullptr, reportDefault) != n)
    return std::nullopt;
  if (!exactly) return text;
  if (usedDefault) return std::nullopt;
  const std::optional<std::wstring> back = Widen(text, codePage, 0);
  if (!back || *back != wide) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> ToAnsiExactly(const std::string& utf8) {
  const std::optional<std::wstring> wide = Widen(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return Narrow(*wide, CP_ACP, true);
}

std::string ToAnsi(const std::string& utf8) {
  return Narrow(Widen(utf8, CP_UTF8, 0).value_or(std::wstring()), CP_ACP, false).value_or(std::string());
}

std::string FromAnsi(const std::string& ansi) {
  return Narrow(Widen(ansi, CP_ACP, 0).value_or(std::wstring()), CP_UTF8, false).value_or(std::string());
}

std::optional<std::string> FromWide(const std::wstring& wide) {
  if (!Narrow(wide, CP_ACP, true)) return std::nullopt;
  return Narrow(wide, CP_UTF8, true);
}

std::wstring ToWide(const std::string& utf8) { return Widen(utf8, CP_UTF8, 0).value_or(std::wstring()); }

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  int got = ::GetWindowTextA(window, buffer.data(), length + 1);
  return FromAnsi(std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0)));
}

void SetWindowText(HWND window, const std::string& utf8) {
  ::SetWindowTextA(window, ToAnsi(utf8).c_str());
}

}  // namespace platform
