// The elevation query, with advapi32 looked up at the call: nothing here is imported.
#include "platform/token_win.h"

#include <windows.h>

#include "platform/handle_win.h"
#include "platform/module_win.h"

namespace platform {

std::optional<bool> ProcessIsElevated() {
  using OpenProcessTokenFunction = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using GetTokenInformationFunction = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
  const UniqueModule advapi32 = LoadSystemLibrary("advapi32.dll");
  if (!advapi32) return std::nullopt;
  const auto openToken = ProcAddress<OpenProcessTokenFunction>(advapi32.get(), "OpenProcessToken");
  const auto tokenInformation = ProcAddress<GetTokenInformationFunction>(advapi32.get(), "GetTokenInformation");
  if (openToken == nullptr || tokenInformation == nullptr) return std::nullopt;
  UniqueHandle token;
  if (!openToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  // XP answers this information class, which came with Vista, with ERROR_INVALID_PARAMETER.
  TOKEN_ELEVATION elevation{};
  DWORD length = 0;
  if (!tokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &length) ||
      length != sizeof elevation) {
    return std::nullopt;
  }
  return elevation.TokenIsElevated != 0;
}

}  // namespace platform
