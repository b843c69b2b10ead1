// The volume watcher on real windows: notices, results passed through, hook and unhook.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include "volume_watch/volume_watch_win.h"
#include "win_test_support.h"
#include "window/form1_win.h"

namespace {

constexpr UINT Private = WM_APP + 7;

LRESULT CALLBACK KnownResults(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == Private) return 0x1234;
  if (message == WM_DEVICECHANGE) return 0x55;
  return ::DefWindowProcA(w, message, wParam, lParam);
}

HWND ProbeWindow() {
  WNDCLASSA c{};
  c.lpfnWndProc = KnownResults;
  c.hInstance = ::GetModuleHandleA(nullptr);
  c.lpszClassName = "UsbTestProbe";
  ::RegisterClassA(&c);
  return ::CreateWindowExA(0, "UsbTestProbe", "probe", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, c.hInstance,
                           nullptr);
}

struct Target : volume_watch::NoticeTarget {
  std::string drive = "-", status = "-";
  void SetDriveBoxText(const std::string& t) override { drive = t; }
  void SetStatusText(const std::string& t) override { status = t; }
};

LRESULT SendVolume(HWND w, WPARAM event, DWORD mask, DWORD type = DBT_DEVTYP_VOLUME, WORD flags = 0) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = type;
  volume.dbcv_unitmask = mask;
  volume.dbcv_flags = flags;
  return ::SendMessageA(w, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

WNDPROC ProcOf(HWND w) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(w, GWLP_WNDPROC)); }

TEST(VolumeWatcher, NoticesSetTheDriveBoxAndStatusAndReturnThePreviousResult) {
  HWND w = ProbeWindow();
  Target target;
  ::SetPropA(w, volume_watch::NoticeTargetProperty, &target);
  volume_watch::Hook(w);

  EXPECT_EQ(SendVolume(w, DBT_DEVICEARRIVAL, 0x10), 0x55);
  EXPECT_EQ(target.drive, "E:");
  EXPECT_EQ(target.status, "USB-muisti laitettiin asemaan!");

  EXPECT_EQ(SendVolume(w, DBT_DEVICEREMOVECOMPLETE, 0x10), 0x55);
  EXPECT_EQ(target.drive, "E:");
  EXPECT_EQ(target.status, "USB-muisti poistettiin!");

  EXPECT_EQ(SendVolume(w, DBT_DEVICEARRIVAL, 0x30, DBT_DEVTYP_VOLUME, DBTF_MEDIA), 0x55);
  EXPECT_EQ(target.drive, "EF:");
  EXPECT_EQ(target.status, "USB-muisti laitettiin asemaan!");
  EXPECT_EQ(SendVolume(w, DBT_DEVICEARRIVAL, 0x8, DBT_DEVTYP_VOLUME, DBTF_NET), 0x55);
  EXPECT_EQ(target.drive, "D:");

  // A device-interface notice and another event are passed on untouched.
  target.drive = target.status = "-";
  EXPECT_EQ(SendVolume(w, DBT_DEVICEARRIVAL, 0x10, DBT_DEVTYP_DEVICEINTERFACE), 0x55);
  EXPECT_EQ(SendVolume(w, DBT_DEVICEQUERYREMOVE, 0x10), 0x55);
  // A null record changes nothing rather than being read.
  EXPECT_EQ(::SendMessageA(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), 0x55);
  EXPECT_EQ(target.drive, "-");
  EXPECT_EQ(target.status, "-");

  EXPECT_EQ(::SendMessageA(w, Private, 0, 0), 0x1234);
  volume_watch::Unhook();
  ::DestroyWindow(w);
}

TEST(VolumeWatcher, UnhookWithoutHookDoesNothing) {
  HWND w = ProbeWindow();
  volume_watch::Unhook();
  EXPECT_EQ(ProcOf(w), &KnownResults);
  EXPECT_EQ(volume_watch::CurrentHookState().hookedWindow, nullptr);
  EXPECT_EQ(volume_watch::CurrentHookState().previousWindowProc, nullptr);
  ::DestroyWindow(w);
}

TEST(VolumeWatcher, SecondHookGivesTheFirstWindowItsProcedureBack) {
  HWND first = ProbeWindow();
  HWND second = ProbeWindow();
  volume_watch::Hook(first);
  EXPECT_EQ(ProcOf(first), &volume_watch::DeviceWindowProc);
  volume_watch::Hook(second);
  EXPECT_EQ(ProcOf(first), &KnownResults);
  EXPECT_EQ(ProcOf(second), &volume_watch::DeviceWindowProc);
  EXPECT_EQ(volume_watch::CurrentHookState().hookedWindow, second);
  EXPECT_EQ(::SendMessageA(second, Private, 0, 0), 0x1234);
  volume_watch::Unhook();
  EXPECT_EQ(ProcOf(second), &KnownResults);
  ::DestroyWindow(first);
  ::DestroyWindow(second);
}

TEST(VolumeWatcher, Form1IsWatchedFromLoadToUnload) {
  auto form = window::Form1::Create(::GetModuleHandleA(nullptr));
  HWND w = form->Handle();
  const WNDPROC original = ProcOf(w);
  form->Form_Load();
  EXPECT_EQ(ProcOf(w), &volume_watch::DeviceWindowProc);
  EXPECT_NE(form->DeviceNotifyHandle(), nullptr);

  // At start both are empty; typed text is overwritten by the next notice.
  EXPECT_EQ(form->DriveBoxText(), "");
  EXPECT_EQ(form->StatusText(), "");
  form->SetDriveBoxText("X:");
  SendVolume(w, DBT_DEVICEARRIVAL, 0x10);
  EXPECT_EQ(form->DriveBoxText(), "E:");
  EXPECT_EQ(form->StatusText(), "USB-muisti laitettiin asemaan!");
  SendVolume(w, DBT_DEVICEREMOVECOMPLETE, 0x0);
  EXPECT_EQ(form->DriveBoxText(), ":");
  EXPECT_EQ(form->StatusText(), "USB-muisti poistettiin!");

  form->Form_Unload();
  EXPECT_EQ(ProcOf(w), original);
  EXPECT_EQ(volume_watch::CurrentHookState().hookedWindow, nullptr);
}

}  // namespace
