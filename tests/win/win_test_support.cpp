// Message boxes read and closed from a thread timer, and small file helpers.
#include "win_test_support.h"

#include <gtest/gtest.h>

#include "platform/handle_win.h"
#include "volume_watch/volume_watch_win.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace wintest {

std::unique_ptr<window::Form1> NewForm() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  return window::Form1::Create(::GetModuleHandleA(nullptr));
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  const char* expected = std::getenv("USB_TEST_DPI");
  if (expected != nullptr) {
    EXPECT_EQ(dpi, std::atoi(expected)) << "the screen is not at the DPI that this run is for";
  }
  return dpi;
}

bool InVirtualMachine() { return std::getenv("USB_IN_VM") != nullptr; }

std::string Text(HWND w) {
  char buffer[512] = {};
  ::SendMessageA(w, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}
namespace {

// A box is read only once it has stood open for a while: a timer of the test
// that fell due while the thread was busy (say, waiting for a tool) would
// otherwise fire before the box's own placing timer has run.
constexpr DWORD SettleMs = 100;

struct Watch {
  std::string title;
  std::function<void(HWND)> inside;
  std::vector<SeenBox> seen;
  HWND pending = nullptr;
  DWORD pendingSince = 0;
  HWND last = nullptr;
};
Watch* current = nullptr;

SeenBox Read(HWND box) {
  SeenBox s;
  s.found = true;
  char text[4096] = {};
  ::GetWindowTextA(box, text, sizeof text);
  s.title = text;
  ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's text is the static 0xFFFF
  s.prompt = text;
  ::GetWindowRect(box, &s.rect);
  s.topmost = (::GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  return s;
}

VOID CALLBACK Look(HWND, UINT, UINT_PTR id, DWORD) {
  if (current == nullptr) {
    ::KillTimer(nullptr, id);
    return;
  }
  HWND box = ::FindWindowA("#32770", current->title.c_str());
  if (box == nullptr || box == current->last) return;
  if (box != current->pending) {
    current->pending = box;
    current->pendingSince = ::GetTickCount();
    return;
  }
  if (::GetTickCount() - current->pendingSince < SettleMs) return;
  current->last = box;
  current->pending = nullptr;
  if (current->inside) current->inside(box);
  current->seen.push_back(Read(box));
  ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

std::vector<SeenBox> Watching(const std::string& title, const std::function<void()>& open,
                              const std::function<void(HWND)>& inside) {
  Watch watch{title, inside, {}};
  current = &watch;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 20, Look);
  open();
  ::KillTimer(nullptr, timer);
  current = nullptr;
  return watch.seen;
}

}  // namespace

SeenBox WhileBoxOpen(const std::string& title, const std::function<void()>& open,
                     const std::function<void(HWND)>& inside) {
  std::vector<SeenBox> seen = Watching(title, open, inside);
  return seen.empty() ? SeenBox{} : seen.front();
}

std::vector<SeenBox> WhileBoxesOpen(const std::string& title, const std::function<void()>& open,
                                    const std::function<void(HWND)>& inside) {
  return Watching(title, open, inside);
}

POINT CentreOf(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickAt(POINT screen) {
  ::SetCursorPos(screen.x, screen.y);
  INPUT input[2] = {};
  input[0].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].type = INPUT_MOUSE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, input, sizeof(INPUT));
}

void MouseAt(POINT screen, DWORD button, DWORD ms) {
  ::SetCursorPos(screen.x, screen.y);
  if (button != 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = button;
    ::SendInput(1, &input, sizeof input);
  }
  Pump(ms);
}

void SendClick(HWND control, UINT press) {
  ::SendMessageA(control, press, MK_LBUTTON, MAKELPARAM(4, 4));
  ::SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

void Pump(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  do {
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageA(&m);
    }
    ::Sleep(5);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

HWND OwnerWindow() {
  static HWND owner = nullptr;
  if (owner == nullptr) {
    WNDCLASSA c{};
    c.lpfnWndProc = ::DefWindowProcA;
    c.hInstance = ::GetModuleHandleA(nullptr);
    c.lpszClassName = "UsbTestOwner";
    ::RegisterClassA(&c);
    owner = ::CreateWindowExA(0, "UsbTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, c.hInstance, nullptr);
  }
  return owner;
}

std::string NewTempFolder(const std::string& hint) {
  char base[MAX_PATH] = {};
  ::GetTempPathA(sizeof base, base);
  std::string folder;
  for (int i = 0;; ++i) {
    folder = std::string(base) + "usbtest-" + hint + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(i);
    if (::CreateDirectoryA(folder.c_str(), nullptr)) return folder;
  }
}

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full(path);
  return full.substr(0, full.find_last_of('\\'));
}

std::string ReadFile(const std::string& path) {
  platform::UniqueFile file(
      ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  platform::UniqueFile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

namespace {

// The import address table entry of the running program for `function`, found by name in
// its import directory; null when no DLL's import list names it.
void** ImportSlot(const char* function) {
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0;
       ++dll) {
    if (dll->OriginalFirstThunk == 0) continue;  // no names kept beside the addresses
    const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slot->u1.Function);
    }
  }
  return nullptr;
}

void WriteSlot(void** slot, void* value) {
  DWORD previous = 0;
  ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
  *slot = value;
  ::VirtualProtect(slot, sizeof *slot, previous, &previous);
}

}  // namespace

ImportPatch::ImportPatch(const char* function, const void* replacement) : slot_(ImportSlot(function)) {
  if (slot_ == nullptr) return;
  original_ = *slot_;
  WriteSlot(slot_, const_cast<void*>(replacement));
}

ImportPatch::~ImportPatch() {
  if (slot_ != nullptr) WriteSlot(slot_, original_);
}

namespace {

// The tally that the replacements below report to, and the patch of each function, by number.
struct GdiObjects {
  int made = 0;
  int freed = 0;
  std::set<const void*> alive;
};
GdiObjects gdiObjects;
bool tallying = false;

enum GdiFunction {
  kCreateFontA, kCreateFontIndirectA, kCreateSolidBrush, kCreateBrushIndirect, kCreatePen, kCreateBitmap,
  kCreateCompatibleBitmap, kCreateDIBSection, kCreateCompatibleDC, kCreateRectRgn, kGetDC, kGetWindowDC,
  kLoadImageA, kLoadBitmapA, kDeleteObject, kDeleteDC, kReleaseDC, kGdiFunctions
};
ImportPatch* gdiPatches[kGdiFunctions] = {};

template <typename Object>
Object Made(Object object) {
  if (tallying && object != nullptr && gdiObjects.alive.insert(object).second) ++gdiObjects.made;
  return object;
}

void Freed(const void* object) {
  if (tallying && gdiObjects.alive.erase(object) > 0) ++gdiObjects.freed;
}

// A replacement for a function that makes an object: the system's own, then the tally.
template <GdiFunction F, typename Object, typename... Args>
Object WINAPI Making(Args... args) {
  return Made(gdiPatches[F]->original<Object(WINAPI*)(Args...)>()(args...));
}

// Shared bitmaps belong to the system; icons and cursors are no GDI objects.
HANDLE WINAPI LoadingImage(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
  HANDLE image = gdiPatches[kLoadImageA]->original<decltype(&LoadingImage)>()(module, name, type, width, height, flags);
  return type == IMAGE_BITMAP && (flags & LR_SHARED) == 0 ? Made(image) : image;
}

BOOL WINAPI DeletingObject(HGDIOBJ object) {
  const BOOL deleted = gdiPatches[kDeleteObject]->original<decltype(&DeletingObject)>()(object);
  if (deleted) Freed(object);
  return deleted;
}

BOOL WINAPI DeletingDC(HDC dc) {
  const BOOL deleted = gdiPatches[kDeleteDC]->original<decltype(&DeletingDC)>()(dc);
  if (deleted) Freed(dc);
  return deleted;
}

int WINAPI ReleasingDC(HWND window, HDC dc) {
  const int released = gdiPatches[kReleaseDC]->original<decltype(&ReleasingDC)>()(window, dc);
  if (released) Freed(dc);
  return released;
}

struct GdiReplacement {
  GdiFunction function;
  const char* name;
  const void* replacement;
};

const GdiReplacement gdiReplacements[] = {
    {kCreateFontA, "CreateFontA",
     reinterpret_cast<const void*>(&Making<kCreateFontA, HFONT, int, int, int, int, int, DWORD, DWORD, DWORD, DWORD,
                                          DWORD, DWORD, DWORD, DWORD, LPCSTR>)},
    {kCreateFontIndirectA, "CreateFontIndirectA",
     reinterpret_cast<const void*>(&Making<kCreateFontIndirectA, HFONT, const LOGFONTA*>)},
    {kCreateSolidBrush, "CreateSolidBrush", reinterpret_cast<const void*>(&Making<kCreateSolidBrush, HBRUSH, COLORREF>)},
    {kCreateBrushIndirect, "CreateBrushIndirect",
     reinterpret_cast<const void*>(&Making<kCreateBrushIndirect, HBRUSH, const LOGBRUSH*>)},
    {kCreatePen, "CreatePen", reinterpret_cast<const void*>(&Making<kCreatePen, HPEN, int, int, COLORREF>)},
    {kCreateBitmap, "CreateBitmap",
     reinterpret_cast<const void*>(&Making<kCreateBitmap, HBITMAP, int, int, UINT, UINT, const void*>)},
    {kCreateCompatibleBitmap, "CreateCompatibleBitmap",
     reinterpret_cast<const void*>(&Making<kCreateCompatibleBitmap, HBITMAP, HDC, int, int>)},
    {kCreateDIBSection, "CreateDIBSection",
     reinterpret_cast<const void*>(
         &Making<kCreateDIBSection, HBITMAP, HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD>)},
    {kCreateCompatibleDC, "CreateCompatibleDC", reinterpret_cast<const void*>(&Making<kCreateCompatibleDC, HDC, HDC>)},
    {kCreateRectRgn, "CreateRectRgn", reinterpret_cast<const void*>(&Making<kCreateRectRgn, HRGN, int, int, int, int>)},
    {kGetDC, "GetDC", reinterpret_cast<const void*>(&Making<kGetDC, HDC, HWND>)},
    {kGetWindowDC, "GetWindowDC", reinterpret_cast<const void*>(&Making<kGetWindowDC, HDC, HWND>)},
    {kLoadImageA, "LoadImageA", reinterpret_cast<const void*>(&LoadingImage)},
    {kLoadBitmapA, "LoadBitmapA", reinterpret_cast<const void*>(&Making<kLoadBitmapA, HBITMAP, HINSTANCE, LPCSTR>)},
    {kDeleteObject, "DeleteObject", reinterpret_cast<const void*>(&DeletingObject)},
    {kDeleteDC, "DeleteDC", reinterpret_cast<const void*>(&DeletingDC)},
    {kReleaseDC, "ReleaseDC", reinterpret_cast<const void*>(&ReleasingDC)},
};

}  // namespace

GdiTally::GdiTally() {
  gdiObjects = GdiObjects{};
  tallying = true;
  for (const GdiReplacement& r : gdiReplacements) {
    patches_.push_back(std::make_unique<ImportPatch>(r.name, r.replacement));
    gdiPatches[r.function] = patches_.back().get();
  }
}

GdiTally::~GdiTally() {
  patches_.clear();  // the program's own imports again, before the counts go
  for (ImportPatch*& patch : gdiPatches) patch = nullptr;
  tallying = false;
}

int GdiTally::made() const { return gdiObjects.made; }
int GdiTally::freed() const { return gdiObjects.freed; }

bool GdiTally::counts(const char* function) const {
  for (std::size_t i = 0; i < patches_.size(); ++i) {
    if (std::strcmp(gdiReplacements[i].name, function) == 0) return patches_[i]->active();
  }
  return false;
}

}  // namespace wintest

namespace wintest {
namespace {

// The tests of one program run in one process, one after another, so whatever a test leaves
// behind meets the next: a watcher still hooked on a window, a window of its own, a WM_QUIT that
// ends the next message loop at once (a message box among them), another current directory.
// After each test this listener looks for each, names it as a failure of the program, and clears
// it, so that no test's outcome depends on the order in which they run.
class LeftBehind : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    OwnerWindow();  // shared by the tests that need an owner, made once
    before_ = ThreadWindows();
    directory_ = CurrentDirectory();
  }

  void OnTestEnd(const ::testing::TestInfo& test) override {
    std::string left;
    if (volume_watch::CurrentHookState().hookedWindow != nullptr) {
      left += " a watched window;";
      volume_watch::Unhook();
    }
    for (HWND window : ThreadWindows()) {
      if (before_.count(window) != 0 || !::IsWindow(window)) continue;
      left += " a window of class " + ClassOf(window) + ";";
      ::DestroyWindow(window);
    }
    MSG quit;
    if (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) left += " a WM_QUIT;";
    if (CurrentDirectory() != directory_) {
      left += " another current directory;";
      ::SetCurrentDirectoryW(directory_.c_str());
    }
    if (!left.empty()) ADD_FAILURE() << test.test_suite_name() << "." << test.name() << " left behind:" << left;
  }

 private:
  static std::set<HWND> ThreadWindows() {
    std::set<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), &AddWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
  }
  static BOOL CALLBACK AddWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::set<HWND>*>(windows)->insert(window);
    return TRUE;
  }
  static std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
  }
  static std::wstring CurrentDirectory() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
    return folder;
  }

  std::set<HWND> before_;
  std::wstring directory_;
};

// Registered before gtest_main runs the tests.
const bool leftBehindListening = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new LeftBehind);
  return true;
}();

}  // namespace
}  // namespace wintest
