// UTF-8 <-> ANSI conversion and window texts.
#include "platform/text_win.h"

#include <vector>

namespace platform {
namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return {};
  int n = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr,
                          nullptr);
  return text;
}

}  // namespace

std::string ToAnsi(const std::string& utf8) { return Narrow(Widen(utf8, CP_UTF8), CP_ACP); }

std::wstring ToWide(const std::string& utf8) { return Widen(utf8, CP_UTF8); }

std::string FromAnsi(const std::string& ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }

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
