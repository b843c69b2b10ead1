// The volume watcher: a subclass of the main window that reads volume notices.
#pragma once

#include <windows.h>
#include <dbt.h>

#include <string>

namespace volume_watch {

// The window property through which the watcher reaches the drive box and the status line of
// the window it watches: the watched window carries a NoticeTarget* under this name.
inline constexpr const char* NoticeTargetProperty = "USB.NoticeTarget";

// What the watcher writes a notice to. The watched window carries a pointer to
// one as its window property NoticeTargetProperty; without it notices change nothing.
class NoticeTarget {
 public:
  virtual void SetDriveBoxText(const std::string& text) = 0;
  virtual void SetStatusText(const std::string& text) = 0;

 protected:
  ~NoticeTarget() = default;
};

// Installs DeviceWindowProc on the window (after undoing an earlier Hook).
void Hook(HWND window);
// Gives the hooked window its previous procedure back; nothing when none is hooked.
void Unhook();
// Sees every message of the hooked window first, and always returns what the
// previous procedure returns.
LRESULT CALLBACK DeviceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The 32-byte filter that registers the window for device-interface notices of
// every class (the volume notices reach every top-level window anyway).
DEV_BROADCAST_DEVICEINTERFACE_A DeviceInterfaceFilter();
inline constexpr DWORD AllInterfaceClasses = DEVICE_NOTIFY_ALL_INTERFACE_CLASSES;  // to a window

struct HookState {
  WNDPROC previousWindowProc;
  HWND hookedWindow;
};
HookState CurrentHookState();

}  // namespace volume_watch
