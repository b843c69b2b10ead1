// USB.exe's entry point: create Form1, load it, show it, run its message loop.
#include <windows.h>

#include "platform/module_win.h"
#include "window/form1_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL at run time: the program runs as administrator, and a DLL
  // lying in its folder or the current directory must not be taken for a system one.
  platform::KeepDllSearchInTheSystemFolder();
  // No common controls here: the tooltips, the only common control, load them on the first hover.
  std::unique_ptr<window::Form1> form = window::Form1::Create(instance);
  if (!form) return 1;
  form->SetQuitOnDestroy(true);
  form->Form_Load();
  form->Show();

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (form->PreTranslateMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
