// Milliseconds from the performance counter, for the tools that time the program.
#pragma once

#include <windows.h>

namespace platform {

// Milliseconds since an arbitrary start, with the counter's resolution; only differences mean anything.
inline double MillisecondsNow() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace platform
