// Test helper: starts the command line in %RUNLINE% exactly as the installer does and prints its exit code.
//
// A shell cannot hand a Windows program a raw command line (wine quotes each
// argument anew), but the installer's lines hold double blanks and quotes that the
// stand-ins must take as they are. So the line travels in an environment variable.
#include <windows.h>

#include <cstdio>
#include <string>

#include "handle_win.h"

int main() {
  DWORD n = GetEnvironmentVariableW(L"RUNLINE", nullptr, 0);
  if (n == 0) {
    std::fprintf(stderr, "runline: set RUNLINE to the command line to start\n");
    return 1000;
  }
  std::wstring line(n, L'\0');
  line.resize(GetEnvironmentVariableW(L"RUNLINE", &line[0], n));
  // Like the installer's start record: only the size is set, no standard handles given.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  platform::UniqueProcessInformation process;
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process.put())) {
    std::printf("start-failed %lu\n", GetLastError());
    return 1001;
  }
  WaitForSingleObject(process.process(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.process(), &code);
  std::printf("%lu\n", code);
  return static_cast<int>(code);
}
