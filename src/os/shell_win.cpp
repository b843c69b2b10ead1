// The shell: a document (the home page) opened with the user's own rights; shell32 and COM come with the first call.
#include "os/shell_win.h"

#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/handle_win.h"
#include "platform/module_win.h"
#include "platform/text_win.h"
#include "platform/token_win.h"

namespace os {
namespace {

using ShellExecuteAFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoCreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
using SysAllocStringFunction = BSTR(WINAPI*)(const OLECHAR*);
using SysFreeStringFunction = void(WINAPI*)(BSTR);

struct ShellFunctions {
  ShellExecuteAFunction shellExecute = nullptr;
  CoCreateInstanceFunction createInstance = nullptr;
  SysAllocStringFunction allocString = nullptr;
  SysFreeStringFunction freeString = nullptr;
};

// The first call loads ole32, oleaut32 (the desktop's shell takes its texts as BSTRs) and
// shell32; the window opens without them, and most users never click the link. COM is
// initialised once on this, the window's thread, before the first shell call: the shell hands
// some documents to COM handlers, which want a single-threaded apartment, and the OLE 1 DDE
// window is not wanted. The libraries and COM stay until the process ends: the shell may leave
// threads and objects behind that run their code, so they are never freed.
const ShellFunctions& Shell() {
  static const ShellFunctions functions = [] {
    ShellFunctions loaded;
    if (HMODULE ole32 = platform::LoadSystemLibrary("ole32.dll").release()) {
      if (auto initialise = platform::ProcAddress<CoInitializeExFunction>(ole32, "CoInitializeEx")) {
        initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      }
      loaded.createInstance = platform::ProcAddress<CoCreateInstanceFunction>(ole32, "CoCreateInstance");
    }
    if (HMODULE oleaut32 = platform::LoadSystemLibrary("oleaut32.dll").release()) {
      loaded.allocString = platform::ProcAddress<SysAllocStringFunction>(oleaut32, "SysAllocString");
      loaded.freeString = platform::ProcAddress<SysFreeStringFunction>(oleaut32, "SysFreeString");
    }
    if (HMODULE shell32 = platform::LoadSystemLibrary("shell32.dll").release()) {
      loaded.shellExecute = platform::ProcAddress<ShellExecuteAFunction>(shell32, "ShellExecuteA");
    }
    return loaded;
  }();
  return functions;
}

// One BSTR, freed once. A VARIANT that carries it only borrows it: the VARIANTs below own
// nothing and need no VariantClear.
class Bstr {
 public:
  Bstr(const ShellFunctions& shell, const std::wstring& text)
      : free_(shell.freeString), value_(shell.allocString(text.c_str())) {}
  ~Bstr() {
    if (value_ != nullptr) free_(value_);
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return value_; }
  VARIANT Variant() const {
    VARIANT variant{};
    variant.vt = VT_BSTR;
    variant.bstrVal = value_;
    return variant;
  }

 private:
  SysFreeStringFunction free_;
  BSTR value_;
};

VARIANT Int32Variant(std::int32_t value) {
  VARIANT variant{};
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

template <typename Interface>
using Com = platform::UniqueCom<Interface>;

// Out-parameter slot of an owner, as the calls that hand out an interface through void** take it.
template <typename Interface>
void** Slot(Com<Interface>& owner) {
  return reinterpret_cast<void**>(owner.put());
}

// The object's Interface, if it has one.
template <typename Interface, typename Object>
Com<Interface> Query(Object* object) {
  Com<Interface> result;
  if (FAILED(object->QueryInterface(__uuidof(Interface), Slot(result)))) result.reset();
  return result;
}

// Two ids that the headers name only in libuuid: its objects that hold them bring some 36 KB of
// other ids into the program (measured). The interfaces' ids come with the interfaces (__uuidof).
constexpr GUID ShellWindowsClass = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
constexpr GUID TopLevelBrowserService = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// The desktop's shell, as its automation object. The way there is the one the shell offers a
// program that wants something done by the desktop: the list of the shell's windows, which
// Explorer keeps (the desktop among them); the desktop's browser; its view; the view's
// automation object; its application. Empty where any link is missing: no Explorer, or a shell
// that lacks one of them.
Com<IShellDispatch2> DesktopShell(const ShellFunctions& shell) {
  Com<IShellWindows> windows;
  // Explorer's own list, never one made in this process, which would run with this process's rights.
  if (shell.createInstance(ShellWindowsClass, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows), Slot(windows)) !=
          S_OK ||
      !windows) {
    return {};
  }
  VARIANT desktop = Int32Variant(CSIDL_DESKTOP);
  VARIANT noRoot{};
  long window = 0;
  Com<IDispatch> desktopWindow;
  // S_FALSE and no object where the list holds no desktop.
  if (windows.get()->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktopWindow.put()) !=
          S_OK ||
      !desktopWindow) {
    return {};
  }
  const auto services = Query<IServiceProvider>(desktopWindow.get());
  if (!services) return {};
  Com<IShellBrowser> browser;
  const HRESULT found = services.get()->QueryService(TopLevelBrowserService, __uuidof(IShellBrowser), Slot(browser));
  if (FAILED(found) || !browser) return {};
  Com<IShellView> view;
  if (FAILED(browser.get()->QueryActiveShellView(view.put())) || !view) return {};
  Com<IDispatch> background;
  if (FAILED(view.get()->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), Slot(background))) || !background) {
    return {};
  }
  const auto folderView = Query<IShellFolderViewDual>(background.get());
  if (!folderView) return {};
  Com<IDispatch> application;
  if (FAILED(folderView.get()->get_Application(application.put())) || !application) return {};
  return Query<IShellDispatch2>(application.get());
}

// The platform-free handlers restate these numbers.
static_assert(services::ShowNormal == SW_SHOWNORMAL && services::ShellFailureThreshold == HINSTANCE_ERROR,
              "system_services.h's shell numbers are Windows' own");

// What ShellExecuteA itself returns when the system lacks the memory or resources to act.
constexpr std::int32_t OutOfResources = 0;

class WindowsShellRoutes final : public ShellRoutes {
 public:
  Elevation ProcessElevation() override { return os::ProcessElevation(); }
  DesktopAnswer OpenThroughDesktop(const std::string& document, std::int32_t showCommand) override {
    return OpenThroughDesktopShell(document, showCommand);
  }
  std::int32_t OpenDirectly(const std::string& document, std::int32_t showCommand) override {
    return OpenWithShellExecuteA(document, showCommand);
  }
};

}  // namespace

Elevation ProcessElevation() {
  const std::optional<bool> elevated = platform::ProcessIsElevated();
  if (!elevated) return Elevation::Unknown;
  return *elevated ? Elevation::Elevated : Elevation::NotElevated;
}

DesktopAnswer OpenThroughDesktopShell(const std::string& document, std::int32_t showCommand) {
  const ShellFunctions& shell = Shell();
  if (shell.createInstance == nullptr || shell.allocString == nullptr || shell.freeString == nullptr) {
    return DesktopAnswer::NotReached;
  }
  const Com<IShellDispatch2> desktopShell = DesktopShell(shell);
  if (!desktopShell) return DesktopAnswer::NotReached;
  // The same request as ShellExecuteA's: the verb "open", no parameters, no folder (empty texts).
  const Bstr file(shell, platform::ToWide(document));
  const Bstr none(shell, L"");
  const Bstr verb(shell, L"open");
  if (file.get() == nullptr || none.get() == nullptr || verb.get() == nullptr) return DesktopAnswer::NotReached;
  // S_OK only: the desktop's shell answers S_FALSE where it could not open the document.
  const HRESULT result = desktopShell.get()->ShellExecute(file.get(), none.Variant(), none.Variant(), verb.Variant(),
                                                          Int32Variant(showCommand));
  return result == S_OK ? DesktopAnswer::Opened : DesktopAnswer::Refused;
}

std::int32_t OpenWithShellExecuteA(const std::string& document, std::int32_t showCommand) {
  const ShellExecuteAFunction shellExecute = Shell().shellExecute;
  if (shellExecute == nullptr) return OutOfResources;
  HINSTANCE result = shellExecute(nullptr, "open", platform::ToAnsi(document).c_str(), nullptr, nullptr, showCommand);
  return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) {
  WindowsShellRoutes routes;
  return OpenWithShell(routes, document, showCommand);
}

}  // namespace os
