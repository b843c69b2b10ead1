// One RAII owner for the Win32 handles the stand-ins use, so that no early return leaks one.
#pragma once

#include <windows.h>

#include "platform/handle_win.h"

// The program's own RAII owners, under the names the stand-ins use.
using FileHandle = platform::UniqueFile;
using FindHandle = platform::UniqueFind;
using ArgvBlock = platform::UniqueAny<platform::LocalAllocTraits<LPWSTR*>>;
using LocalText = platform::UniqueAny<platform::LocalAllocTraits<wchar_t*>>;
