// Argument splitting and stderr output shared by the stand-ins.
#include "console_win.h"

#include <shellapi.h>

#include "handle_win.h"
#include "names.h"

namespace standins {

std::vector<std::wstring> CommandArgs() {
  std::vector<std::wstring> args;
  int count = 0;
  ArgvBlock argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv.get()[i]);
  return args;
}

void Say(const std::string& tool, const std::string& utf8Line) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  std::string line = tool + ": " + utf8Line + "\r\n";
  DWORD mode = 0;
  if (GetConsoleMode(err, &mode)) {
    // A real console shows wide text correctly whatever its code page is.
    std::wstring wide = FromUtf8(line);
    DWORD written = 0;
    WriteConsoleW(err, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  DWORD written = 0;
  WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string ErrorText(DWORD code) {
  wchar_t* raw = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  LocalText buffer(raw);
  std::wstring text = n && buffer ? std::wstring(buffer.get(), n) : std::wstring();
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  std::string out = ToUtf8(text);
  if (out.empty()) out = "error";
  return out + " (" + std::to_string(code) + ")";
}

}  // namespace standins
