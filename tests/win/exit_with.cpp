// A tiny program that exits with the number on its command line, and writes the
// command line it saw to the file named by EXIT_WITH_LOG, if set.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  char log[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("EXIT_WITH_LOG", log, sizeof log) > 0) {
    HANDLE file = ::CreateFileA(log, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      const char* line = ::GetCommandLineA();
      DWORD written = 0;
      ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
      ::CloseHandle(file);
    }
  }
  // The first number on the line, decimal or 0x hexadecimal, as 32 bits.
  const char* p = arguments;
  while (*p == ' ') ++p;
  return static_cast<int>(std::strtoul(p, nullptr, 0));
}
