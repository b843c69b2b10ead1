// End-to-end driver: runs USB.exe as a user would, from a scenario script, and checks each thing it shows.
//
//   e2e_driver.exe [--dir DIR] [--exe PATH] [--host-dir DIR] [--events FILE] [--timeout SECONDS] SCENARIO
//
// DIR is the program folder, USB.exe's current directory (default C:\Ohjelmatiedostot\VKR),
// and PATH the program (default DIR\USB.exe). "host" steps are handed to the Linux side
// through two files in the host folder: the driver writes "request" (one line), the other
// side does the work and writes "reply", whose first line is "ok" or says what went wrong.
// Every check prints one line, "ok   LINE" or "FAIL LINE  (got: WHAT)", to stdout; the
// events file gets the observed event lines alone, in order. Exit code 0 when all passed.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/handle_win.h"
#include "scenario.h"

namespace {

using e2e::Step;
using e2e::StepKind;

constexpr const char* FormClass = "USB.Form1";
constexpr const char* BoxClass = "#32770";
constexpr int BoxTextId = 0xFFFF;  // the STATIC that holds a message box's text

// A read of a control waits while USB.exe's thread runs a tool (it handles no
// messages then); a download or an extraction of the demo image takes seconds.
constexpr DWORD ReadTimeoutMs = 180000;
// A volume notice reaches the window some tens of milliseconds after the plug.
constexpr DWORD NoticeTimeoutMs = 20000;
constexpr DWORD StartTimeoutMs = 30000;
constexpr DWORD ExitTimeoutMs = 20000;
constexpr DWORD HostTimeoutMs = 300000;

struct Options {
  std::string folder = "C:\\Ohjelmatiedostot\\VKR";
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

class Driver {
 public:
  explicit Driver(const Options& options) : options_(options) {
    if (!options_.eventsFile.empty()) events_.open(options_.eventsFile, std::ios::binary | std::ios::trunc);
  }

  ~Driver() { Finish(); }

  int Run(const std::vector<Step>& steps) {
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
    }
  }

  // --- the program ---------------------------------------------------------

  void Start(const Step& step) {
    std::string exe = options_.exe.empty() ? options_.folder + "\\USB.exe" : options_.exe;
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

  void Attach(const Step& step) {
    window_ = ::FindWindowA(FormClass, nullptr);
    if (window_ == nullptr) return Abort(step, "no USB.exe window is open");
    ::GetWindowThreadProcessId(window_, &pid_);
    attached_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid_));
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
    HWND button = FindControl(window_, e2e::ButtonId(step.argument), "BUTTON");
    if (button == nullptr) return Abort(step, "no such button in the window");
    ::PostMessageA(button, BM_CLICK, 0, 0);
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

  // The box's event line, once the placing timer has moved it: its rectangle is read
  // until it stays the same for three reads in a row, the box handling messages between.
  std::string ReadBox(HWND box) {
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

  // --- the Linux side ------------------------------------------------------

  // In a request "{window}" becomes the window's screen rectangle, WxH+X+Y, and
  // "{drivebox}" the screen point in the middle of the drive box, X Y.
  std::string Expand(std::string request) const {
    char text[64];
    const std::size_t window = request.find("{window}");
    if (window != std::string::npos) {
      RECT r{};
      if (window_ != nullptr) ::GetWindowRect(window_, &r);
      std::snprintf(text, sizeof text, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
      request.replace(window, 8, text);
    }
    const std::size_t drivebox = request.find("{drivebox}");
    if (drivebox != std::string::npos) {
      RECT r{};
      if (HWND box = window_ != nullptr ? FindControl(window_, e2e::DriveBoxId) : nullptr) ::GetWindowRect(box, &r);
      std::snprintf(text, sizeof text, "%ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
      request.replace(drivebox, 10, text);
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
    Fail(step.line, answer);
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
