// Form1's tooltips, made on the first hover with the common controls loaded then.
#include "window/form1_win.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/module_win.h"
#include "platform/text_win.h"

namespace window {
namespace {

// The common controls, for the tooltip class: loaded on the first hover rather than by the
// loader at start-up, where their DLL and its start-up code cost time before the window shows.
// It stays loaded: the tooltip lives as long as the window.
bool LoadCommonControls() {
  static const bool loaded = [] {
    HMODULE comctl32 = platform::LoadSystemLibrary("comctl32.dll").release();
    if (comctl32 == nullptr) return false;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initialise = platform::ProcAddress<InitFunction>(comctl32, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    return initialise != nullptr && initialise(&controls) != FALSE;
  }();
  return loaded;
}

}  // namespace

void Form1::CreateTooltips(HWND under) {
  if (!LoadCommonControls()) return;
  tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               instance_, nullptr);
  const auto& table = Form1Controls();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].tooltip == nullptr) continue;
    std::string text = platform::ToAnsi(table[i].tooltip);
    TOOLINFOA tool{};
    // The version-5 size: the common controls without a manifest refuse a larger record.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(controls_[i]);
    tool.lpszText = &text[0];
    ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // The mouse already stands over `under`: the tooltip learns of it now rather than at the
  // next move, so that a pointer resting on a tool still gets its tip.
  if (under != nullptr && under != window_) {
    POINT at;
    ::GetCursorPos(&at);
    ::ScreenToClient(under, &at);
    MSG move{under, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y), static_cast<DWORD>(::GetMessageTime()), {}};
    ::SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
  }
}

}  // namespace window
