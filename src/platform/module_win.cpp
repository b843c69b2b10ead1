// Loading system DLLs from the system folder only.
#include "platform/module_win.h"

#include <string>

namespace platform {

UniqueModule LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return UniqueModule();
  const std::string path = std::string(folder, length) + "\\" + name;
  return UniqueModule(::LoadLibraryA(path.c_str()));
}

void KeepDllSearchInTheSystemFolder() {
  // Both looked up, never called directly: a direct call would make the loader refuse the
  // program on the Windows versions that lack the function. SetDefaultDllDirectories came with
  // Windows 8 (and an update of Windows 7); SetDllDirectoryA with Windows XP SP1.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryAFunction = BOOL(WINAPI*)(LPCSTR);
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return;
  if (auto setDefault = ProcAddress<SetDefaultDllDirectoriesFunction>(kernel32, "SetDefaultDllDirectories")) {
    // The system folder alone, also for the DLLs that the system's own DLLs load by name.
    if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  }
  // Older systems: an empty DLL folder takes at least the current directory out of the search.
  if (auto setFolder = ProcAddress<SetDllDirectoryAFunction>(kernel32, "SetDllDirectoryA")) setFolder("");
}

}  // namespace platform
