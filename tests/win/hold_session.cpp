// Holds a Wine session open for the test programs that run one after another in it.
//
//   hold_session.exe READY_FILE
//
// Wine's explorer.exe, the desktop's shell, comes up with a session's first program and ends
// about a second after its last one. Between two test programs it comes and goes, and once in a
// few runs under load a program found no shell's list of windows for all of a 30 s wait. On
// Windows the shell is there all along. This program stays until its session is
// stopped, so the shell does too: it waits until the shell takes requests, then writes
// READY_FILE and sleeps. It opens no window and reads no input.
#include <windows.h>

#include <string>

#include "desktop_shell_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  std::string ready(arguments);
  while (!ready.empty() && ready.back() == ' ') ready.pop_back();
  if (ready.empty()) return 2;
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  std::string missing;
  for (int tries = 0; !(missing = wintest::DesktopShellMissing()).empty(); ++tries) {
    if (tries == 1200) break;  // two minutes: the virtual machine's emulation takes its time
    ::Sleep(100);
  }
  ::CoUninitialize();
  // What was missing, if anything, for the script that waits: it tells the shell's absence apart.
  const std::string said = missing.empty() ? "ready\n" : missing + "\n";
  HANDLE file = ::CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 4;
  DWORD written = 0;
  ::WriteFile(file, said.data(), static_cast<DWORD>(said.size()), &written, nullptr);
  ::CloseHandle(file);
  ::Sleep(INFINITE);
  return 0;
}
