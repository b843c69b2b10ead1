// ShellExecuteA for the home page, with shell32 and COM brought in on the first link click.
#include "links/links_win.h"

#include <windows.h>
#include <objbase.h>

#include "links/links.h"
#include "platform/module_win.h"
#include "platform/text_win.h"

namespace links {
namespace {

using ShellExecuteAFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);

// The first call loads ole32 and shell32; the window opens without them, and most users never
// click the link. COM is initialised once on this, the window's thread, before the first shell
// call: the shell hands some documents to COM handlers, which want a single-threaded apartment,
// and the OLE 1 DDE window is not wanted. Both libraries and COM stay until the process ends:
// the shell may leave threads and objects behind that run their code, so they are never freed.
ShellExecuteAFunction ShellExecuteFunction() {
  static const ShellExecuteAFunction function = [] {
    if (HMODULE ole32 = platform::LoadSystemLibrary("ole32.dll").release()) {
      if (auto initialise = platform::ProcAddress<CoInitializeExFunction>(ole32, "CoInitializeEx")) {
        initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      }
    }
    HMODULE shell32 = platform::LoadSystemLibrary("shell32.dll").release();
    return shell32 != nullptr ? platform::ProcAddress<ShellExecuteAFunction>(shell32, "ShellExecuteA") : nullptr;
  }();
  return function;
}

// The platform-free handlers restate these numbers.
static_assert(ShowNormal == SW_SHOWNORMAL && ShellFailureThreshold == HINSTANCE_ERROR,
              "links.h's numbers are Windows' own");

// What ShellExecuteA itself returns when the system lacks the memory or resources to act.
constexpr std::int32_t OutOfResources = 0;

}  // namespace

std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) {
  const ShellExecuteAFunction shellExecute = ShellExecuteFunction();
  if (shellExecute == nullptr) return OutOfResources;
  HINSTANCE result = shellExecute(nullptr, "open", platform::ToAnsi(document).c_str(), nullptr, nullptr, showCommand);
  return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace links
