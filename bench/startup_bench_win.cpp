// Start-up benchmark: how long each program takes from process start until its window is visible and idle.
//
//   startup_bench.exe [--runs N] [--goal RATIO] PROGRAM BASELINE
//
// Each run starts the program, waits until it is idle (WaitForInputIdle) and a visible
// top-level window of its process exists, then closes that window with WM_CLOSE and
// waits for the process to end. One unmeasured run of each comes first, so that both
// meet a warm wineserver and a warm file cache; then the programs take turns, so that
// a slow moment of the machine falls on both. Prints each program's median, the ratio
// of the medians (PROGRAM over BASELINE) against the goal, and PROGRAM's size in bytes.
// Exit code 0 when every run worked, whatever the ratio; 1 when a run failed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock_win.h"
#include "platform/handle_win.h"

namespace {

constexpr DWORD StartTimeoutMs = 30000;
constexpr DWORD ExitTimeoutMs = 10000;

struct WindowSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != s->pid || !::IsWindowVisible(window)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND VisibleWindowOf(DWORD pid) {
  WindowSearch search{pid, nullptr};
  ::EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The folder of a program's path: the program runs with it as current directory.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// One start: milliseconds until the window is visible and the program idle; < 0 on failure.
double TimeOneStart(const std::string& program) {
  std::string commandLine = "\"" + program + "\"";
  const std::string folder = FolderOf(program);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  platform::UniqueProcessInformation info;
  PROCESS_INFORMATION* raw = info.put();
  const double begin = platform::MillisecondsNow();
  if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, raw)) {
    std::fprintf(stderr, "startup_bench: cannot start %s (error %lu)\n", program.c_str(), ::GetLastError());
    return -1;
  }
  const DWORD pid = raw->dwProcessId;
  ::WaitForInputIdle(info.process(), StartTimeoutMs);
  HWND window = nullptr;
  while ((window = VisibleWindowOf(pid)) == nullptr) {
    if (::WaitForSingleObject(info.process(), 0) == WAIT_OBJECT_0 || platform::MillisecondsNow() - begin > StartTimeoutMs) break;
    ::Sleep(1);
  }
  const double elapsed = platform::MillisecondsNow() - begin;
  if (window == nullptr) {
    std::fprintf(stderr, "startup_bench: %s showed no window\n", program.c_str());
    ::TerminateProcess(info.process(), 1);
    return -1;
  }
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(info.process(), ExitTimeoutMs) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "startup_bench: %s did not end on WM_CLOSE\n", program.c_str());
    ::TerminateProcess(info.process(), 1);
    ::WaitForSingleObject(info.process(), ExitTimeoutMs);
    return -1;
  }
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  double goal = 1.2;
  DWORD pauseMs = 0;
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--pause" && i + 1 < argc) {
      pauseMs = static_cast<DWORD>(std::atoi(argv[++i]));
    } else if (arg == "--goal" && i + 1 < argc) {
      goal = std::atof(argv[++i]);
    } else {
      programs.push_back(arg);
    }
  }
  if (programs.size() != 2) {
    std::fprintf(stderr, "usage: startup_bench [--runs N] [--goal RATIO] PROGRAM BASELINE\n");
    return 2;
  }

  std::vector<std::vector<double>> times(programs.size());
  for (const std::string& program : programs) {
    if (TimeOneStart(program) < 0) return 1;  // the warm-up run
  }
  for (int run = 0; run < runs; ++run) {
    for (std::size_t p = 0; p < programs.size(); ++p) {
      ::Sleep(pauseMs);
      const double ms = TimeOneStart(programs[p]);
      if (ms < 0) return 1;
      times[p].push_back(ms);
    }
  }

  std::printf("%-16s %10s %10s %10s   (%d runs each, ms from process start to a visible, idle window)\n",
              "program", "median", "min", "max", runs);
  std::vector<double> medians;
  for (std::size_t p = 0; p < programs.size(); ++p) {
    medians.push_back(Median(times[p]));
    std::printf("%-16s %10.1f %10.1f %10.1f\n", BaseName(programs[p]).c_str(), medians[p],
                *std::min_element(times[p].begin(), times[p].end()),
                *std::max_element(times[p].begin(), times[p].end()));
  }
  for (std::size_t p = 0; p < programs.size(); ++p) {
    std::printf("%-16s", BaseName(programs[p]).c_str());
    for (double ms : times[p]) std::printf(" %.0f", ms);
    std::printf("\n");
  }
  const double ratio = medians[0] / medians[1];
  std::printf("ratio %.2f (%s over %s; goal %.2f or less: %s)\n", ratio, BaseName(programs[0]).c_str(),
              BaseName(programs[1]).c_str(), goal, ratio <= goal ? "met" : "NOT met");
  std::printf("size of %s: %lld bytes\n", BaseName(programs[0]).c_str(), FileSize(programs[0]));
  return 0;
}
