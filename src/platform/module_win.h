// Functions of a DLL that the program loads when it first needs them, not at start-up.
#pragma once

#include <windows.h>

namespace platform {

// GetProcAddress gives every function one type; the cast through void(*)() says that the
// function really has the type asked for. Null when the DLL lacks the name.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace platform
