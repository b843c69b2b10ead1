// Test helper: starts the command line in %RUNLINE% as the installer gives it, and prints its exit code.
//
// A shell cannot hand a Windows program a raw command line (wine quotes each
// argument anew), but the installer's lines hold double blanks and quotes that the
// stand-ins must take as they are. So the line travels in an environment variable.
// The program gets this helper's standard handles, so that what it says can be read (the
// installer gives it none: it then says nothing). The exit code is printed whole, as the last
// line: the shell sees only its low 8 bits, and a crash (0xC0000005) must not pass for a code.
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
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::fflush(stdout);
  platform::UniqueProcessInformation process;
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, process.put())) {
    std::printf("start-failed %lu\n", GetLastError());
    return 1001;
  }
  WaitForSingleObject(process.process(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.process(), &code);
  std::printf("%lu\n", code);
  return static_cast<int>(code);
}
