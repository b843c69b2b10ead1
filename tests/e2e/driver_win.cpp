// End-to-end driver: runs USB.exe as a user would, from a scenario script, and checks each thing it shows.
//
//   e2e_driver.exe [--dir DIR] [--exe PATH] [--host-dir DIR] [--events FILE] [--timeout SECONDS] SCENARIO
//
// DIR is the program folder, USB.exe's current directory (default the sandbox's, SANDBOX_PROGRAM_FOLDER),
// and PATH the program (default DIR\USB.exe). "host" steps are handed to the Linux side
// through two files in the host folder: the driver writes "request" (one line), the other
// side does the work and writes "reply", whose first line is "ok", says what went wrong, or
// is "skip REASON" for a check that the other side cannot make in this run (named, not counted).
// Every check prints one line, "ok   LINE" or "FAIL LINE  (got: WHAT)", to stdout; the
// events file gets the observed event lines alone, in order. Exit code 0 when all passed.
#include <windows.h>
#include <dbt.h>
#include <psapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "desktop_shell_win.h"
#include "platform/clock_win.h"
#include "platform/handle_win.h"
#include "sandbox_names.h"
#include "scenario.h"
#include "window/ids.h"

namespace {

using e2e::Step;
using e2e::StepKind;

constexpr const char* BoxClass = "#32770";
constexpr int BoxTextId = 0xFFFF;  // the STATIC that holds a message box's text

// A read of a control waits while USB.exe's thread runs a tool (it handles no
// messages then); a download or an extraction of the demo image takes seconds.
constexpr DWORD ReadTimeoutMs = 180000;
// A volume notice reaches the window some tens of milliseconds after the plug on a host; a slow
// machine (the virtual machine's software emulation beside other work) is allowed a minute. Only
// a failing wait lasts that long.
constexpr DWORD NoticeTimeoutMs = 60000;
constexpr DWORD StartTimeoutMs = 30000;
constexpr DWORD ExitTimeoutMs = 20000;
constexpr DWORD HostTimeoutMs = 300000;

struct Options {
  std::string folder = SANDBOX_PROGRAM_FOLDER;
  std::string exe;
  std::string hostFolder;
  std::string eventsFile;
  std::string scenario;
  DWORD boxTimeoutMs = 120000;
};

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

// A control's text, byte for byte in the ANSI code page. SendMessage, because
// GetWindowText returns nothing for another process's edit control; the call returns
// when USB.exe's thread next handles messages, so it also waits for that moment.
bool ReadText(HWND window, DWORD timeoutMs, std::string& text) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length)) return false;
  std::vector<char> buffer(length + 2, '\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_NORMAL, timeoutMs, &copied)) {
    return false;
  }
  text.assign(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
  return true;
}

struct ControlSearch {
  int id;
  const char* cls;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
  auto* s = reinterpret_cast<ControlSearch*>(param);
  if ((::GetDlgCtrlID(child) & 0xFFFF) != s->id) return TRUE;
  if (s->cls != nullptr && lstrcmpiA(ClassOf(child).c_str(), s->cls) != 0) return TRUE;
  s->found = child;
  return FALSE;
}

// The descendant of parent with this control id (the step buttons lie in two frames).
HWND FindControl(HWND parent, int id, const char* cls = nullptr) {
  ControlSearch search{id, cls, nullptr};
  ::EnumChildWindows(parent, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct TopLevelSearch {
  DWORD pid;
  const char* cls;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<TopLevelSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != s->pid || !::IsWindowVisible(window) || ClassOf(window) != s->cls) return TRUE;
  s->found = window;
  return FALSE;
}

// A visible top-level window of the process with this class, or null.
HWND FindTopLevel(DWORD pid, const char* cls) {
  TopLevelSearch search{pid, cls, nullptr};
  ::EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool WriteFileBytes(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<DWORD, int>*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->first) ++search->second;
  return TRUE;
}

// What a process uses, as far as the system tells another process. Under Wine,
// GetGuiResources is a stub that gives 0, and so is another process's handle count.
struct Usage {
  SIZE_T workingSet = 0;    // bytes
  SIZE_T privateBytes = 0;  // bytes committed for the process alone
  int topLevelWindows = 0;  // visible or not: message boxes, tooltips, the window itself
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  DWORD handles = 0;
};

Usage UsageOf(HANDLE process, DWORD pid) {
  Usage usage;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) {
    usage.workingSet = memory.WorkingSetSize;
    usage.privateBytes = memory.PagefileUsage;
  }
  std::pair<DWORD, int> search{pid, 0};
  ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&search));
  usage.topLevelWindows = search.second;
  usage.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
  usage.userObjects = ::GetGuiResources(process, GR_USEROBJECTS);
  using HandleCountFunction = BOOL(WINAPI*)(HANDLE, PDWORD);
  if (auto count = reinterpret_cast<HandleCountFunction>(reinterpret_cast<void (*)()>(
          ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetProcessHandleCount")))) {
    count(process, &usage.handles);
  }
  return usage;
}

std::string Describe(const Usage& u) {
  char text[256];
  std::snprintf(text, sizeof text,
                "working set %lu KB, private %lu KB, top-level windows %d, GDI objects %lu, USER objects %lu, "
                "handles %lu",
                static_cast<unsigned long>(u.workingSet / 1024), static_cast<unsigned long>(u.privateBytes / 1024),
                u.topLevelWindows, static_cast<unsigned long>(u.gdiObjects),
                static_cast<unsigned long>(u.userObjects), static_cast<unsigned long>(u.handles));
  return text;
}

class Driver {
 public:
  explicit Driver(const Options& options) : options_(options) {
    if (!options_.eventsFile.empty()) events_.open(options_.eventsFile, std::ios::binary | std::ios::trunc);
  }

  ~Driver() {
    Finish();
    RestoreDlls();
  }

  int Run(const std::vector<Step>& steps) {
    RestoreDlls();
    for (const Step& step : steps) {
      if (aborted_) {
        if (e2e::IsCheck(step.kind)) Fail(step.line, "not reached");
        continue;
      }
      Perform(step);
    }
    Finish();
    std::printf("%d passed, %d failed\n", passed_, failed_);
    return failed_ == 0 ? 0 : 1;
  }

 private:
  void Perform(const Step& step) {
    switch (step.kind) {
      case StepKind::Start:
        return Start(step);
      case StepKind::Attach:
        return Attach(step);
      case StepKind::Click:
        return Click(step);
      case StepKind::Host:
        return Host(step);
      case StepKind::Type:
        return Type(step);
      case StepKind::Close:
        if (!NeedWindow(step)) return;
        CloseStrayBox();
        ::PostMessageA(window_, WM_CLOSE, 0, 0);
        return;
      case StepKind::Sleep:
        ::Sleep(static_cast<DWORD>(std::stoul(step.argument)));
        return;
      case StepKind::NoDll:
        return DisableDll(step);
      case StepKind::Window: {
        if (!NeedWindow(step)) return;
        std::string title;
        if (!ReadText(window_, ReadTimeoutMs, title)) return Abort(step, "the window did not answer");
        return Check(step, e2e::EventLine("window", title));
      }
      case StepKind::Box:
        return ObserveBox(step);
      case StepKind::Status:
        return ObserveControl(step, "status", e2e::StatusLineId);
      case StepKind::Drive:
        return ObserveControl(step, "drive", e2e::DriveBoxId);
      case StepKind::WaitDrive:
        return WaitFor(step, "drive", e2e::DriveBoxId);
      case StepKind::WaitStatus:
        return WaitFor(step, "status", e2e::StatusLineId);
      case StepKind::Exit:
        return ObserveExit(step);
      case StepKind::Module:
        return ObserveModule(step);
      case StepKind::DesktopShell:
        return AwaitDesktopShell(step);
      case StepKind::Notices:
        return Notices(step);
      case StepKind::Boxes:
        return Boxes(step);
      case StepKind::Memory:
        return Memory(step);
    }
  }

  // --- the program ---------------------------------------------------------

  std::string ExePath() const { return options_.exe.empty() ? options_.folder + "\\USB.exe" : options_.exe; }

  void Start(const Step& step) {
    std::string exe = ExePath();
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION* info = child_.put();
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          options_.folder.c_str(), &startup, info)) {
      return Abort(step, "cannot start " + exe + " (error " + std::to_string(::GetLastError()) + ")");
    }
    pid_ = info->dwProcessId;
    ::WaitForInputIdle(Process(), StartTimeoutMs);
    const DWORD begin = ::GetTickCount();
    while ((window_ = FindTopLevel(pid_, FormClass)) == nullptr) {
      if (Ended()) return Abort(step, "USB.exe ended at start");
      if (::GetTickCount() - begin > StartTimeoutMs) return Abort(step, "no window of class USB.Form1");
      ::Sleep(20);
    }
  }

  // Wine reads a program's own DLL overrides from the prefix's registry when the program starts,
  // under the name of its file: an empty value switches the DLL off for that program alone.
  std::string OverridesKey() const {
    const std::string exe = ExePath();
    return "Software\\Wine\\AppDefaults\\" + exe.substr(exe.find_last_of('\\') + 1) + "\\DllOverrides";
  }

  void DisableDll(const Step& step) {
    platform::UniqueRegistryKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, OverridesKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
      return Abort(step, "cannot write the DLL overrides");
    }
    if (::RegSetValueExA(key.get(), step.argument.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) !=
        ERROR_SUCCESS) return Abort(step, "cannot switch off " + step.argument);
  }

  // The program's own overrides go, all of them, when the driver starts and when it ends: every
  // scenario's program has every DLL unless the scenario says otherwise. At the start too, since
  // a driver that was stopped midway, or a registry that Wine had saved to disk with the override
  // and not after, would leave it to the next scenario.
  void RestoreDlls() { ::RegDeleteKeyA(HKEY_CURRENT_USER, OverridesKey().c_str()); }

  void Attach(const Step& step) {
    window_ = ::FindWindowA(FormClass, nullptr);
    if (window_ == nullptr) return Abort(step, "no USB.exe window is open");
    ::GetWindowThreadProcessId(window_, &pid_);
    attached_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid_));
  }

  bool NeedWindow(const Step& step) {
    if (window_ != nullptr) return true;
    Abort(step, "no USB.exe window (start or attach first)");
    return false;
  }

  // The process that this driver started, or else the one it attached to.
  HANDLE Process() const { return child_.process() != nullptr ? child_.process() : attached_.get(); }

  bool Ended() const { return Process() != nullptr && ::WaitForSingleObject(Process(), 0) == WAIT_OBJECT_0; }

  // A user cannot press a button of the window while one of its boxes is open; a
  // box still open here is one that the scenario did not expect.
  void CloseStrayBox() {
    while (HWND box = FindTopLevel(pid_, BoxClass)) {
      Fail("(no box)", ReadBox(box));
      PressOk(box);
    }
  }

  void Click(const Step& step) {
    if (!NeedWindow(step)) return;
    CloseStrayBox();
    const bool isStatic = e2e::ClicksAStatic(step.argument);
    HWND control = FindControl(window_, e2e::ButtonId(step.argument), isStatic ? "STATIC" : "BUTTON");
    if (control == nullptr) return Abort(step, "no such control in the window");
    ClickControl(control, isStatic);
  }

  // A button takes BM_CLICK; a picture or a label reports a press and a release of the
  // left button inside it (posted, they never pair into a double click).
  static void ClickControl(HWND control, bool isStatic) {
    if (!isStatic) {
      ::PostMessageA(control, BM_CLICK, 0, 0);
      return;
    }
    ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  }

  // Each character as a key press would bring it to the drive box. Sent, not posted:
  // sent messages are handled in order before any later read of the box, and a
  // refused key's box then opens before the next step looks for it.
  void Type(const Step& step) {
    if (!NeedWindow(step)) return;
    HWND box = FindControl(window_, e2e::DriveBoxId);
    if (box == nullptr) return Abort(step, "no drive box");
    for (char c : e2e::UnescapeToAnsi(step.argument)) {
      ::SendNotifyMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
  }

  // --- what the program shows ------------------------------------------------

  // The box's event line, once the placing timer has moved it. The timer makes the box
  // topmost as it moves it (no box of the program asks for that itself), so that is waited
  // for first: on a slow machine the timer can come later than three quiet reads. Then its
  // rectangle is read until it stays the same for three reads in a row, the box handling
  // messages between. A box that is never placed is read where it stands, after 5 s.
  std::string ReadBox(HWND box) {
    const DWORD opened = ::GetTickCount();
    while (::IsWindow(box) && (::GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0 &&
           ::GetTickCount() - opened < 5000)
      ::Sleep(20);
    RECT last{};
    ::GetWindowRect(box, &last);
    int same = 0;
    const DWORD begin = ::GetTickCount();
    while (same < 3 && ::GetTickCount() - begin < 5000) {
      ::Sleep(50);
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
      RECT now{};
      ::GetWindowRect(box, &now);
      same = ::EqualRect(&now, &last) ? same + 1 : 0;
      last = now;
    }
    std::string title;
    std::string text;
    ReadText(box, ReadTimeoutMs, title);
    if (HWND label = FindControl(box, BoxTextId, "STATIC")) ReadText(label, ReadTimeoutMs, text);
    return e2e::BoxEvent(title, text, last.left, last.top);
  }

  // Presses OK as a user would, then waits until the box is gone, so that what is
  // read next is what USB.exe did after the box.
  void PressOk(HWND box) {
    HWND ok = FindControl(box, IDOK, "BUTTON");
    if (ok == nullptr) ok = ::FindWindowExA(box, nullptr, "BUTTON", nullptr);
    ::PostMessageA(ok != nullptr ? ok : box, BM_CLICK, 0, 0);
    const DWORD begin = ::GetTickCount();
    while (::IsWindow(box) && ::GetTickCount() - begin < 10000) ::Sleep(10);
  }

  void ObserveBox(const Step& step) {
    if (!NeedWindow(step)) return;
    const DWORD begin = ::GetTickCount();
    HWND box = nullptr;
    while ((box = FindTopLevel(pid_, BoxClass)) == nullptr) {
      if (Ended()) return Abort(step, "USB.exe ended");
      if (::GetTickCount() - begin > options_.boxTimeoutMs) return Abort(step, "no box came");
      ::Sleep(20);
    }
    const std::string event = ReadBox(box);
    PressOk(box);
    if (::IsWindow(box)) return Abort(step, event + ", and OK did not close it");
    Check(step, event);
  }

  void ObserveControl(const Step& step, const char* kind, int id) {
    if (!NeedWindow(step)) return;
    HWND control = FindControl(window_, id);
    std::string text;
    if (control == nullptr) return Abort(step, "no control " + std::to_string(id));
    if (!ReadText(control, ReadTimeoutMs, text)) return Abort(step, "USB.exe did not answer");
    Check(step, e2e::EventLine(kind, text));
  }

  void WaitFor(const Step& step, const char* kind, int id) {
    if (!NeedWindow(step)) return;
    HWND control = FindControl(window_, id);
    if (control == nullptr) return Abort(step, "no control " + std::to_string(id));
    const std::string wanted = step.argument.empty() ? std::string(kind) : std::string(kind) + " " + step.argument;
    std::string seen;
    const DWORD begin = ::GetTickCount();
    for (;;) {
      std::string text;
      if (ReadText(control, ReadTimeoutMs, text)) seen = e2e::EventLine(kind, text);
      if (seen == wanted) break;
      if (::GetTickCount() - begin > NoticeTimeoutMs) break;
      ::Sleep(25);
    }
    Event(seen);
    if (seen == wanted) return Pass(step.line);
    Fail(step.line, seen);
    aborted_ = true;  // what follows was written for a program that got the notice
  }

  void ObserveExit(const Step& step) {
    if (Process() == nullptr) return Abort(step, "no USB.exe process");
    if (::WaitForSingleObject(Process(), ExitTimeoutMs) != WAIT_OBJECT_0) {
      return Abort(step, "USB.exe is still running");
    }
    DWORD code = 0;
    ::GetExitCodeProcess(Process(), &code);
    Check(step, "exit " + std::to_string(code));
    window_ = nullptr;
  }

  // "module PATH": the path under which USB.exe holds the DLL named by PATH's last part, which
  // shows the folder that the search for it found it in (under Wine, the code is Wine's own
  // wherever the file lay); "module NAME (not loaded)" when it holds no such DLL.
  void ObserveModule(const Step& step) {
    if (Process() == nullptr) return Abort(step, "no USB.exe process");
    // "module NAME (not loaded)" expects the DLL to be absent: NAME is the DLL's name.
    std::string expected = e2e::UnescapeToAnsi(step.argument);
    const std::string absent = " (not loaded)";
    const std::size_t cut = expected.size() - absent.size();
    if (expected.size() > absent.size() && expected.compare(cut, absent.size(), absent) == 0) expected.resize(cut);
    const std::string name = expected.substr(expected.find_last_of('\\') + 1);
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!::EnumProcessModules(Process(), modules, sizeof modules, &bytes)) {
      return Abort(step, "cannot read USB.exe's modules (error " + std::to_string(::GetLastError()) + ")");
    }
    std::string found = name + " (not loaded)";
    for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 1024; ++i) {
      char path[MAX_PATH] = {};
      const DWORD length = ::GetModuleFileNameExA(Process(), modules[i], path, sizeof path);
      const char* slash = std::strrchr(path, '\\');
      if (length > 0 && ::lstrcmpiA(slash != nullptr ? slash + 1 : path, name.c_str()) == 0) found = path;
    }
    Check(step, e2e::EventLine("module", found));
  }

  // --- the soak -------------------------------------------------------------

  // Milliseconds until the window handles a message sent now; negative if it does not
  // within ten seconds.
  double TimeToAnswer() const {
    const double begin = platform::MillisecondsNow();
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored)) return -1;
    return platform::MillisecondsNow() - begin;
  }

  // Each notice is sent as Wine's mount manager sends it: SendMessage with the record,
  // which Wine copies into the program (it refuses to post this message). One after
  // another as fast as the window takes them.
  void Notices(const Step& step) {
    if (!NeedWindow(step)) return;
    e2e::NoticeBurst burst{};
    e2e::ParseNotices(step.argument, burst);
    HWND box = nullptr;
    if (burst.inBox) {
      const DWORD begin = ::GetTickCount();
      while ((box = FindTopLevel(pid_, BoxClass)) == nullptr && ::GetTickCount() - begin < 10000) ::Sleep(20);
      if (box == nullptr) return Abort(step, "no message box is open");
    }
    int unanswered = 0;
    double slowest = 0;
    const double begin = platform::MillisecondsNow();
    for (int i = 0; i < burst.count; ++i) {
      const e2e::NoticeBurst notice = e2e::NoticeAt(burst, i);
      DEV_BROADCAST_VOLUME record{};
      record.dbcv_size = sizeof record;
      record.dbcv_devicetype = DBT_DEVTYP_VOLUME;
      record.dbcv_unitmask = 1u << (notice.letter - 'A');
      const double sent = platform::MillisecondsNow();
      DWORD_PTR result = 0;
      if (!::SendMessageTimeoutA(window_, WM_DEVICECHANGE, notice.arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                 reinterpret_cast<LPARAM>(&record), SMTO_NORMAL, 5000, &result)) {
        ++unanswered;
      }
      slowest = std::max(slowest, platform::MillisecondsNow() - sent);
    }
    const double total = platform::MillisecondsNow() - begin;
    const double answer = TimeToAnswer();
    char figures[256];
    std::snprintf(figures, sizeof figures,
                  "%d notices %s: %.0f ms in all, %.2f ms each on average, slowest %.1f ms; "
                  "then the window answered in %.1f ms",
                  burst.count, burst.inBox ? "with a message box open" : "to the idle window", total,
                  total / burst.count, slowest, answer);
    Info(figures);
    if (burst.inBox && !::IsWindow(box)) return Fail(step.line, "the message box closed during the notices");
    if (unanswered > 0) return Fail(step.line, std::to_string(unanswered) + " notices not answered within 5 s");
    if (answer < 0) return Abort(step, "the window stopped answering");
    Pass(step.line);
  }

  // The help box opened and closed again and again, as fast as it comes and goes.
  void Boxes(const Step& step) {
    if (!NeedWindow(step)) return;
    CloseStrayBox();
    const int count = std::atoi(step.argument.c_str());
    HWND help = FindControl(window_, e2e::ButtonId("help"), "STATIC");
    if (help == nullptr) return Abort(step, "no help picture in the window");
    double slowest = 0;
    const double begin = platform::MillisecondsNow();
    for (int i = 0; i < count; ++i) {
      const double clicked = platform::MillisecondsNow();
      ClickControl(help, true);
      HWND box = nullptr;
      const DWORD waitBegin = ::GetTickCount();
      while ((box = FindTopLevel(pid_, BoxClass)) == nullptr) {
        if (::GetTickCount() - waitBegin > 10000) return Abort(step, "box " + std::to_string(i + 1) + " did not open");
        ::Sleep(1);
      }
      PressOk(box);
      if (::IsWindow(box)) return Abort(step, "box " + std::to_string(i + 1) + " did not close");
      slowest = std::max(slowest, platform::MillisecondsNow() - clicked);
    }
    const double total = platform::MillisecondsNow() - begin;
    const double answer = TimeToAnswer();
    char figures[256];
    std::snprintf(figures, sizeof figures,
                  "%d message boxes opened and closed: %.0f ms in all, %.0f ms each on average, slowest %.0f ms; "
                  "then the window answered in %.1f ms",
                  count, total, total / count, slowest, answer);
    Info(figures);
    if (answer < 0) return Abort(step, "the window stopped answering");
    Pass(step.line);
  }

  // "memory mark" notes what the program uses now; "memory within KB" checks that its
  // working set and its private bytes have grown by at most KB since the last mark and that
  // it holds no more top-level windows than then (a box or tooltip left behind).
  void Memory(const Step& step) {
    if (Process() == nullptr) return Abort(step, "no USB.exe process");
    const Usage now = UsageOf(Process(), pid_);
    if (step.argument == "mark") {
      if (!marked_) first_ = now;
      mark_ = now;
      marked_ = true;
      Info("memory at the mark: " + Describe(now));
      return Pass(step.line);
    }
    if (!marked_) return Abort(step, "no memory mark before");
    const long long limit = std::atoll(step.argument.c_str() + 7) * 1024;
    const long long grown = static_cast<long long>(now.workingSet) - static_cast<long long>(mark_.workingSet);
    char figures[256];
    std::snprintf(figures, sizeof figures,
                  "memory now: %s; working set %+lld KB since the mark, %+lld KB since the first mark; "
                  "private %+lld KB since the mark; margin %lld KB",
                  Describe(now).c_str(), grown / 1024,
                  (static_cast<long long>(now.workingSet) - static_cast<long long>(first_.workingSet)) / 1024,
                  (static_cast<long long>(now.privateBytes) - static_cast<long long>(mark_.privateBytes)) / 1024,
                  limit / 1024);
    Info(figures);
    if (now.gdiObjects == 0 && now.userObjects == 0 && now.handles == 0) {
      Info("not measured here: GDI and USER objects and the handle count read 0 (Wine's GetGuiResources is a "
           "stub, and another process's handle count reads 0); the Windows tests count the GDI objects that the "
           "window makes and frees under this load (Form1.EveryGdiObjectMadeIsFreedOverALongSessionAndAtTheEnd)");
    }
    if (now.workingSet == 0) return Fail(step.line, "the working set could not be read");
    if (grown > limit) return Fail(step.line, "the working set grew by " + std::to_string(grown / 1024) + " KB");
    // Private bytes move less with the pages the system happens to keep: a leak shows there too.
    const long long grownPrivate =
        static_cast<long long>(now.privateBytes) - static_cast<long long>(mark_.privateBytes);
    if (grownPrivate > limit) {
      return Fail(step.line, "private bytes grew by " + std::to_string(grownPrivate / 1024) + " KB");
    }
    if (now.topLevelWindows > mark_.topLevelWindows) {
      return Fail(step.line, std::to_string(now.topLevelWindows - mark_.topLevelWindows) + " more top-level windows");
    }
    Pass(step.line);
  }

  // --- the Linux side ------------------------------------------------------

  // In a request "{window}" becomes the window's screen rectangle, WxH+X+Y, and
  // "{drivebox}" and "{weblink}" the screen point in the middle of the drive box or of the
  // web address, X Y.
  std::string Expand(std::string request) const {
    char text[64];
    const std::size_t window = request.find("{window}");
    if (window != std::string::npos) {
      RECT r{};
      if (window_ != nullptr) ::GetWindowRect(window_, &r);
      std::snprintf(text, sizeof text, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
      request.replace(window, 8, text);
    }
    const struct {
      const char* word;
      int id;
    } middles[] = {{"{drivebox}", e2e::DriveBoxId}, {"{weblink}", e2e::WebLinkId}};
    for (const auto& middle : middles) {
      const std::size_t at = request.find(middle.word);
      if (at == std::string::npos) continue;
      RECT r{};
      if (HWND control = window_ != nullptr ? FindControl(window_, middle.id) : nullptr) ::GetWindowRect(control, &r);
      std::snprintf(text, sizeof text, "%ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
      request.replace(at, std::strlen(middle.word), text);
    }
    return request;
  }

  void Host(const Step& step) {
    if (options_.hostFolder.empty()) return Fail(step.line, "no --host-dir given");
    const std::string request = options_.hostFolder + "\\request";
    const std::string reply = options_.hostFolder + "\\reply";
    ::DeleteFileA(reply.c_str());
    // Written whole under another name, so that the other side never reads half a line.
    if (!WriteFileBytes(request + ".tmp", Expand(step.argument) + "\n") ||
        !::MoveFileExA((request + ".tmp").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return Abort(step, "cannot write " + request);
    }
    const DWORD begin = ::GetTickCount();
    while (::GetFileAttributesA(reply.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (::GetTickCount() - begin > HostTimeoutMs) return Abort(step, "no reply from the Linux side");
      ::Sleep(20);
    }
    std::string answer = ReadFileBytes(reply);
    ::DeleteFileA(reply.c_str());
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (answer == "ok") return Pass(step.line);
    // A check that this run cannot make ("skip REASON") is named, not counted.
    if (answer.compare(0, 5, "skip ") == 0) return Info(step.line + " -- not checked here: " + answer.substr(5));
    Fail(step.line, answer);
  }

  // --- the desktop's shell ------------------------------------------------

  // Wine's explorer.exe comes up with a session's first program and ends about a second after its
  // last one, and between scenarios no program runs: a program that asks the moment it opens may
  // find it on its way out or not yet registered. On Windows it is there all along. Passes once
  // it takes requests; says how long that took when it was not at once.
  void AwaitDesktopShell(const Step& step) {
    static const bool comReady = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (!comReady) return Fail(step.line, "COM cannot be initialised");
    const DWORD begin = ::GetTickCount();
    std::string missing;
    while (!(missing = wintest::DesktopShellMissing()).empty()) {
      if (::GetTickCount() - begin > StartTimeoutMs) return Fail(step.line, missing);
      ::Sleep(100);
    }
    if (::GetTickCount() - begin > 100) {
      Info("the desktop's shell took requests after " + std::to_string(::GetTickCount() - begin) + " ms");
    }
    Pass(step.line);
  }

  // --- reporting -----------------------------------------------------------

  void Event(const std::string& line) {
    if (events_.is_open()) events_ << line << '\n' << std::flush;
  }

  void Check(const Step& step, const std::string& observed) {
    Event(observed);
    if (observed == step.line) return Pass(step.line);
    Fail(step.line, observed);
  }

  // A figure for the reader; tests/e2e/run prints these lines as they are.
  void Info(const std::string& line) {
    std::printf("info %s\n", line.c_str());
    std::fflush(stdout);
  }

  void Pass(const std::string& line) {
    ++passed_;
    std::printf("ok   %s\n", line.c_str());
    std::fflush(stdout);
  }

  void Fail(const std::string& line, const std::string& got) {
    ++failed_;
    std::printf("FAIL %s  (got: %s)\n", line.c_str(), got.c_str());
    std::fflush(stdout);
  }

  // The rest of the scenario was written for a program in another state: its checks
  // are reported as not reached, so that every run counts the same number of checks.
  void Abort(const Step& step, const std::string& why) {
    if (e2e::IsCheck(step.kind)) {
      Fail(step.line, why);
    } else {
      ++failed_;
      std::printf("FAIL %s  (%s)\n", step.line.c_str(), why.c_str());
      std::fflush(stdout);
    }
    aborted_ = true;
  }

  // A USB.exe that this driver started does not outlive it: closed as the user
  // would, or ended if it cannot close (a box left open, a tool that hangs).
  void Finish() {
    HANDLE child = child_.process();
    if (child == nullptr || ::WaitForSingleObject(child, 0) == WAIT_OBJECT_0) return;
    if (window_ != nullptr) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(child, 5000) != WAIT_OBJECT_0) {
      ::TerminateProcess(child, 1);
      ::WaitForSingleObject(child, 5000);
    }
  }

  Options options_;
  std::ofstream events_;
  platform::UniqueProcessInformation child_;
  platform::UniqueHandle attached_;
  DWORD pid_ = 0;
  HWND window_ = nullptr;
  bool aborted_ = false;
  bool marked_ = false;
  Usage first_;
  Usage mark_;
  int passed_ = 0;
  int failed_ = 0;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--dir" && hasValue) {
      options.folder = argv[++i];
    } else if (arg == "--exe" && hasValue) {
      options.exe = argv[++i];
    } else if (arg == "--host-dir" && hasValue) {
      options.hostFolder = argv[++i];
    } else if (arg == "--events" && hasValue) {
      options.eventsFile = argv[++i];
    } else if (arg == "--timeout" && hasValue) {
      options.boxTimeoutMs = static_cast<DWORD>(std::stoul(argv[++i]) * 1000);
    } else if (options.scenario.empty() && arg.rfind("--", 0) != 0) {
      options.scenario = arg;
    } else {
      return false;
    }
  }
  return !options.scenario.empty();
}

}  // namespace

int main(int argc, char** argv) {
  // Event lines are UTF-8 bytes; the C runtime must not turn \n into \r\n.
  _setmode(_fileno(stdout), _O_BINARY);
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: e2e_driver [--dir DIR] [--exe PATH] [--host-dir DIR] [--events FILE] "
                 "[--timeout SECONDS] SCENARIO\n");
    return 2;
  }
  const std::string content = ReadFileBytes(options.scenario);
  std::vector<std::string> errors;
  const std::vector<Step> steps = e2e::ParseScenario(content, errors);
  if (content.empty() || !errors.empty()) {
    std::fprintf(stderr, "e2e_driver: cannot use %s\n", options.scenario.c_str());
    for (const std::string& e : errors) std::fprintf(stderr, "  %s\n", e.c_str());
    return 2;
  }
  Driver driver(options);
  return driver.Run(steps);
}
