// Hook, Unhook and DeviceWindowProc.
#include "volume_watch/volume_watch_win.h"

#include <dbt.h>

#include <cstddef>
#include <cstdint>

#include "volume_watch/volume_notice.h"

namespace volume_watch {
namespace {

// One window at a time is watched.
WNDPROC PreviousWindowProc = nullptr;
HWND HookedWindow = nullptr;

static_assert(sizeof(DEV_BROADCAST_HDR) == 12, "the notice header is 12 bytes");
static_assert(offsetof(DEV_BROADCAST_VOLUME, dbcv_flags) + sizeof(DEV_BROADCAST_VOLUME::dbcv_flags) == VolumeRecordSize,
              "volume_notice.h's volume record ends with the flags");
// The platform-free decision restates these numbers.
static_assert(WmDeviceChange == WM_DEVICECHANGE && DbtDeviceArrival == DBT_DEVICEARRIVAL &&
                  DbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE && DbtDevtypVolume == DBT_DEVTYP_VOLUME,
              "volume_notice.h's numbers are Windows' own");
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32, "the filter record is 32 bytes");

void ApplyNotice(HWND window, const VolumeNotice& notice) {
  auto* target = static_cast<NoticeTarget*>(::GetPropA(window, NoticeTargetProperty));
  if (target == nullptr) return;
  target->SetDriveBoxText(notice.driveBox);
  target->SetStatusText(notice.status);
}

}  // namespace

void Hook(HWND window) {
  if (HookedWindow != nullptr) Unhook();
  // On a 32-bit build SetWindowLongPtrA and GWLP_WNDPROC are SetWindowLongA and GWL_WNDPROC
  // themselves; on a 64-bit one they carry the whole pointer.
  PreviousWindowProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DeviceWindowProc)));
  HookedWindow = window;
}

void Unhook() {
  if (HookedWindow == nullptr) return;
  ::SetWindowLongPtrA(HookedWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousWindowProc));
  HookedWindow = nullptr;
  PreviousWindowProc = nullptr;
}

LRESULT CALLBACK DeviceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Windows never sends a volume event without its record, but a null pointer
  // must change nothing rather than be read.
  if (IsVolumeEvent(message, wParam) && lParam != 0) {
    DEV_BROADCAST_HDR header{};
    ::RtlMoveMemory(&header, reinterpret_cast<const void*>(lParam), sizeof header);
    // The mask only from a record that says it holds one: a shorter record, copied from another
    // process as long as it says it is, ends before it.
    std::uint32_t unitMask = 0;
    if (IsVolumeRecord(header.dbch_size, header.dbch_devicetype)) {
      unitMask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam)->dbcv_unitmask;
    }
    try {
      if (auto notice = DecideNotice(message, wParam, header.dbch_size, header.dbch_devicetype, unitMask)) {
        ApplyNotice(window, *notice);
      }
    } catch (...) {
      // Out of memory for a drive letter: the notice is lost, the message still goes on.
    }
  }
  if (PreviousWindowProc == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return ::CallWindowProcA(PreviousWindowProc, window, message, wParam, lParam);
}

DEV_BROADCAST_DEVICEINTERFACE_A DeviceInterfaceFilter() {
  DEV_BROADCAST_DEVICEINTERFACE_A filter;
  ::ZeroMemory(&filter, sizeof filter);
  filter.dbcc_size = sizeof filter;                      // 32
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;  // 5; the zero class GUID stands for all
  return filter;
}

HookState CurrentHookState() { return {PreviousWindowProc, HookedWindow}; }

}  // namespace volume_watch
