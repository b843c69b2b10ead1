// One RAII owner for the Win32 handles the stand-ins use, so that no early return leaks one.
#pragma once

#include <windows.h>

#include "platform/handle_win.h"

// The program's own RAII owners (platform::UniqueFile, UniqueFind...), and these for the blocks
// that the system allocates for the stand-ins with LocalAlloc.
using ArgvBlock = platform::UniqueAny<platform::LocalAllocTraits<LPWSTR*>>;
using LocalText = platform::UniqueAny<platform::LocalAllocTraits<wchar_t*>>;
