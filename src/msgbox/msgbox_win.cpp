// MsgBoxEx and its placing timer.
#include "msgbox/msgbox_win.h"

#include "msgbox/placement.h"
#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace msgbox {
namespace {

// One set for the whole process: MsgBoxEx writes it, the timer callback reads it
// and writes the placed position back. Only one box is open at a time, since the
// box is modal to the one window.
std::string BoxTitle;  // ANSI: the key by which the callback finds the box
std::int32_t BoxX = 0;
std::int32_t BoxY = 0;
HWND BoxWindow = nullptr;

// Bit 30 of a key message: the key was down before it. So a key's keyboard repeats carry it, and
// so does every press of a key that was already held when the box opened.
constexpr LPARAM KeyWasDown = LPARAM{1} << 30;

// Sees every message of a box's modal loop before the box does: a key-down of a key that was down
// already is swallowed, so that only a fresh press presses a button of the box. Held Enter on a
// step's button would otherwise close the step's result box unseen, and the key's repeats go on
// while the step runs.
LRESULT CALLBACK HeldKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) {
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) && (message.lParam & KeyWasDown)) {
      return TRUE;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The keys that wait in the thread's queue were pressed before the box opened (while a step's tool
// ran, the window took no input): none of them is meant for the box.
void DropWaitingKeys() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

}  // namespace

std::int16_t MsgBoxEx(HWND owner, const std::string& prompt, const std::string& title, std::uint32_t style,
                      std::int32_t x, std::int32_t y) {
  const std::string promptCopy = platform::ToAnsi(prompt);
  const std::string titleCopy = platform::ToAnsi(title);
  BoxTitle = titleCopy;
  BoxX = x;
  BoxY = y;
  DropWaitingKeys();
  const platform::UniqueHook keyFilter(
      ::SetWindowsHookExA(WH_MSGFILTER, HeldKeyFilter, nullptr, ::GetCurrentThreadId()));
  // Set before the box opens: MessageBoxA does not return until the box is closed,
  // and its modal loop is what runs the timer.
  ::SetTimer(owner, MsgBoxTimerId, 0, MsgBoxTimerProc);
  int result = ::MessageBoxA(owner, promptCopy.c_str(), titleCopy.c_str(), style);
  return static_cast<std::int16_t>(result);
}

VOID CALLBACK MsgBoxTimerProc(HWND window, UINT, UINT_PTR timerId, DWORD) {
  // First of all, so that the callback runs once whatever follows.
  ::KillTimer(window, timerId);
  if (timerId != MsgBoxTimerId) return;

  BoxWindow = ::FindWindowA("#32770", BoxTitle.c_str());
  if (BoxWindow == nullptr) return;  // the box stays where the platform put it

  // The platform gives the screen size in pixels directly.
  const float screenWidth = static_cast<float>(::GetSystemMetrics(SM_CXSCREEN));
  const float screenHeight = static_cast<float>(::GetSystemMetrics(SM_CYSCREEN));
  RECT box{};
  ::GetWindowRect(BoxWindow, &box);
  const BoxPosition placed =
      PlaceBox(BoxX, BoxY, screenWidth, screenHeight, box.right - box.left, box.bottom - box.top);
  BoxX = placed.x;
  BoxY = placed.y;
  ::SetWindowPos(BoxWindow, HWND_TOPMOST, BoxX, BoxY, 0, 0, SWP_NOSIZE);
}

BoxState CurrentBoxState() { return {BoxTitle, BoxX, BoxY, BoxWindow}; }

}  // namespace msgbox
