/* Imports what the shipped program must not: a DLL that Windows lacks, and GetTickCount64. */
#include <windows.h>

__declspec(dllimport) int ProbeValue(void);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)instance;
  (void)previous;
  (void)command;
  (void)show;
  return ProbeValue() + (int)(GetTickCount64() & 1);
}
