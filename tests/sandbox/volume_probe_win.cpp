// A tiny top-level window that logs the volume notices it receives, to prove the sandbox's plug and unplug reach windows.
//
// Usage: volume_probe.exe LOGFILE MAX_SECONDS
// Log lines: "ready hwnd=..." once the window exists; "arrival wparam=0x8000 type=2 mask=0x10" per volume
// notice (removal: 0x8004); after an arrival, "file X:\name" for each entry in the root of each new drive.
// It ends after the first removal that follows an arrival, or after MAX_SECONDS.
#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

FILE* g_log = nullptr;
bool g_seen_arrival = false;
const UINT_PTR kGiveUpTimer = 1;

void Log(const std::string& line) {
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);  // the test script reads the log while we run
}

void ListRoot(char letter) {
  std::string pattern = std::string(1, letter) + ":\\*";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    Log(std::string("nofiles ") + letter + ":\\");
    return;
  }
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") Log(std::string("file ") + letter + ":\\" + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr) return;
  char line[160];
  DWORD mask = 0;
  if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
    mask = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data)->dbcv_unitmask;
  }
  std::snprintf(line, sizeof line, "%s wparam=0x%04lx type=%lu mask=0x%lx",
                event == DBT_DEVICEARRIVAL ? "arrival" : "removal", static_cast<unsigned long>(event),
                static_cast<unsigned long>(header->dbch_devicetype), static_cast<unsigned long>(mask));
  Log(line);
  if (event == DBT_DEVICEARRIVAL) {
    g_seen_arrival = true;
    for (int bit = 0; bit < 26; ++bit) {
      if (mask & (1u << bit)) ListRoot(static_cast<char>('A' + bit));
    }
  } else if (g_seen_arrival) {
    Log("done");
    PostQuitMessage(0);
  }
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_DEVICECHANGE:
      OnDeviceChange(wparam, lparam);
      return TRUE;
    case WM_TIMER:
      if (wparam == kGiveUpTimer) {
        Log("timeout");
        PostQuitMessage(1);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  g_log = std::fopen(__argv[1], "wb");  // "\n" alone: the test script reads lines exactly
  if (g_log == nullptr) return 3;
  const int max_seconds = std::atoi(__argv[2]);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = instance;
  wc.lpszClassName = "VolumeProbe";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&wc);
  // Visible and top-level, as the program's own window is: broadcast notices go to top-level windows.
  HWND hwnd = CreateWindowExA(0, "VolumeProbe", "Volume probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              10, 10, 300, 120, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 4;
  SetTimer(hwnd, kGiveUpTimer, static_cast<UINT>(max_seconds) * 1000u, nullptr);
  char line[64];
  std::snprintf(line, sizeof line, "ready hwnd=%p", static_cast<void*>(hwnd));
  Log(line);

  MSG msg;
  int rc = 0;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  rc = static_cast<int>(msg.wParam);
  std::fclose(g_log);
  return rc;
}
