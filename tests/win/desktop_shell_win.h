// Whether the desktop's shell takes requests from another process: shared by the programs that wait for it.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace wintest {

// The way that the program's web link asks the desktop's shell to open a page starts at the shell's
// list of its windows, served by Explorer, which must hold the desktop. Empty when it does; else
// the link that failed, with its answer. COM must be initialised on the calling thread.
inline std::string DesktopShellMissing() {
  // The list's class id (the headers name it only in libuuid).
  constexpr GUID ShellWindowsClass = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
  const auto hex = [](HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
    return std::string(text);
  };
  IShellWindows* windows = nullptr;
  HRESULT result = ::CoCreateInstance(ShellWindowsClass, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                      reinterpret_cast<void**>(&windows));
  if (result != S_OK || windows == nullptr) return "no list of the shell's windows: " + hex(result);
  VARIANT desktop{};
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT noRoot{};
  long window = 0;
  IDispatch* found = nullptr;
  result = windows->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &found);
  windows->Release();
  if (found != nullptr) found->Release();
  if (result != S_OK || found == nullptr) return "the list holds no desktop: " + hex(result);
  return "";
}

}  // namespace wintest
