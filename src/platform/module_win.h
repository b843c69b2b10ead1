// DLLs that the program loads when it first needs them, not at start-up, and where they may come from.
#pragma once

#include <windows.h>

#include "platform/handle_win.h"

namespace platform {

// GetProcAddress gives every function one type; the cast through void(*)() says that the
// function really has the type asked for. Null when the DLL lacks the name.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// A system DLL (say "comctl32.dll") by its full path in the system folder. The program runs as
// administrator: by its bare name, Windows would look in the program's own folder first, and a
// file of that name lying there (a download folder, a stick) would run with full rights.
// Empty when the DLL cannot be loaded.
UniqueModule LoadSystemLibrary(const char* name);

// Called once at start, before any DLL is loaded at run time: takes the program's folder and the
// current directory out of the search for DLLs loaded later, the system DLLs' own loads included.
void KeepDllSearchInTheSystemFolder();

}  // namespace platform
