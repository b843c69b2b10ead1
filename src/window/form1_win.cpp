// Form1: creating the window from the control table and dispatching its events.
#include "window/form1_win.h"

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <cstring>

#include "links/links.h"
#include "msgbox/msgbox_win.h"
#include "os/system_services_win.h"
#include "platform/module_win.h"
#include "platform/text_win.h"
#include "platform/twips.h"
#include "resource_ids.h"
#include "window/drive_field.h"
#include "window/form_place_win.h"
#include "window/frame_win.h"
#include "window/ids.h"
#include "window/text_case.h"

namespace window {
namespace {

// The form, on each control that it subclasses: the drive box, and the labels and pictures
// that take clicks.
constexpr const char* FormProperty = "USB.Form";

// The platform-free headers restate these numbers.
static_assert(services::MessageStyle == MB_OK, "window_services.h's message style is MB_OK");
static_assert(WmAppText1Click == WM_APP + 1, "ids.h's message is WM_APP + 1");
static_assert(ActiveCaption == COLOR_ACTIVECAPTION && Window == COLOR_WINDOW && MenuText == COLOR_MENUTEXT &&
                  WindowText == COLOR_WINDOWTEXT && HighlightText == COLOR_HIGHLIGHTTEXT &&
                  ButtonFace == COLOR_BTNFACE && ButtonText == COLOR_BTNTEXT && DarkShadow3D == COLOR_3DDKSHADOW,
              "controls.h's colour indexes are Windows' own");

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

void RegisterFormClass(HINSTANCE instance, WNDPROC formProc) {
  WNDCLASSEXA form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = formProc;
  form.hInstance = instance;
  form.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.hIcon = static_cast<HICON>(
      ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_DRIVE), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                   ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
  form.hIconSm = static_cast<HICON>(
      ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_DRIVE), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED));
  form.lpszClassName = FormClass;
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (!::GetClassInfoExA(instance, FormClass, &existing)) ::RegisterClassExA(&form);
}

}  // namespace

Form1::Form1(HINSTANCE instance) : instance_(instance) {}

std::unique_ptr<Form1> Form1::Create(HINSTANCE instance) {
  RegisterFormClass(instance, &Form1::WindowProc);
  RegisterFrameClass(instance);
  std::unique_ptr<Form1> form(new Form1(instance));

  HDC screen = ::GetDC(nullptr);
  form->dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);

  const RECT outer = FormWindowRect(form->dpi_);
  // WindowProc binds the object to its window at WM_NCCREATE.
  HWND window = ::CreateWindowExA(0, FormClass, platform::ToAnsi(Form1Spec.title).c_str(), FormStyle, outer.left,
                                  outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                  instance, form.get());
  if (window == nullptr) return nullptr;
  // The volume watcher reaches the drive box and the status line through this.
  ::SetPropA(form->window_, volume_watch::NoticeTargetProperty, static_cast<volume_watch::NoticeTarget*>(form.get()));

  form->system_ = os::MakeSystemServices();
  form->steps_ = std::make_unique<steps::InstallSteps>(*form, *form->system_);
  form->CreateControls();
  // The tooltips come with the first hover (WM_SETCURSOR): none is needed before, and the
  // window opens sooner without them.
  return form;
}

Form1::~Form1() {
  if (window_ != nullptr && ::IsWindow(window_)) {
    if (loaded_) Form_Unload();
    quitOnDestroy_ = false;
    ::DestroyWindow(window_);
  }
}

int Form1::Pixels(int twips) const { return platform::TwipsToPixels(twips, platform::TwipsPerPixel(dpi_)); }

HFONT Form1::FontFor(const FontSpec& font) {
  for (auto& [known, handle] : fonts_) {
    if (std::strcmp(known.face, font.face) == 0 && known.points == font.points && known.weight == font.weight)
      return static_cast<HFONT>(handle.get());
  }
  HFONT created = ::CreateFontA(-platform::PointsToPixels(font.points, dpi_), 0, 0, 0, font.weight, FALSE,
                                FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face);
  fonts_.emplace_back(font, platform::UniqueGdiObject(created));
  return created;
}

void Form1::CreateControls() {
  const auto& table = Form1Controls();
  controls_.assign(table.size(), nullptr);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlSpec& c = table[i];
    HWND parent = c.container ? controls_[ControlIndex(c.container)] : window_;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const char* cls = "STATIC";
    switch (c.kind) {
      case ControlKind::Frame:
        cls = FrameClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
      case ControlKind::Label:
        style |= SS_LEFT | (c.click.handler != nullptr ? SS_NOTIFY : 0);  // SS_LEFT wraps at word boundaries
        break;
      case ControlKind::TextBox:
        cls = "EDIT";
        style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::CommandButton:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;  // a long caption wraps, as on a form
        break;
      case ControlKind::Picture:
        style |= (c.picture == PictureKind::Icon ? SS_ICON : SS_BITMAP) | (c.click.handler != nullptr ? SS_NOTIFY : 0);
        break;
    }
    HWND control = ::CreateWindowExA(exStyle, cls, platform::ToAnsi(c.text).c_str(), style, Pixels(c.left),
                                     Pixels(c.top), Pixels(c.width), Pixels(c.height), parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstControlId + i)),
                                     instance_, nullptr);
    controls_[i] = control;
    if (c.font.face != nullptr) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);

    int width = Pixels(c.width);
    int height = Pixels(c.height);
    if (c.picture == PictureKind::Bitmap) {
      HANDLE bitmap = ::LoadImageA(instance_, MAKEINTRESOURCEA(c.resourceId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
      bitmaps_.emplace_back(static_cast<HGDIOBJ>(bitmap));
      ::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
      // A bitmap is shown at its own size, which its twips give at 96 dpi. At a higher DPI the
      // twips would make the control larger, and the static control stretches its bitmap to
      // fill it (Wine's does): the picture keeps its pixels, where its twips place it.
      BITMAP own{};
      if (bitmap != nullptr && ::GetObjectA(bitmap, sizeof own, &own) == static_cast<int>(sizeof own)) {
        width = own.bmWidth;
        height = own.bmHeight < 0 ? -own.bmHeight : own.bmHeight;
      }
    } else if (c.picture == PictureKind::Icon) {
      // Shown at the control's own size (32 x 32 pixels), picked from the icon's images.
      HANDLE icon = ::LoadImageA(instance_, MAKEINTRESOURCEA(c.resourceId), IMAGE_ICON, Pixels(c.width),
                                 Pixels(c.height), LR_DEFAULTCOLOR);
      icons_.emplace_back(static_cast<HICON>(icon));
      ::SendMessageA(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
    // A picture control sizes itself to its image; the table's size binds, and a bitmap's own.
    ::SetWindowPos(control, nullptr, Pixels(c.left), Pixels(c.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    if (c.kind == ControlKind::TextBox) {
      ::SendMessageA(control, EM_LIMITTEXT, 0, 0);  // no length limit of its own
      // The property first: DriveBoxProc without it would hand the box's messages to
      // DefWindowProcA instead of the edit's own procedure.
      ::SetPropA(control, FormProperty, this);
      driveBoxPrevious_ = reinterpret_cast<WNDPROC>(
          ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form1::DriveBoxProc)));
    } else if (c.click.handler != nullptr && (c.kind == ControlKind::Label || c.kind == ControlKind::Picture)) {
      // A static control reports a click when the button goes down; the form makes it a press
      // and a release over the control, as a button's click is. The property first, as above.
      ::SetPropA(control, FormProperty, this);
      staticPrevious_ = reinterpret_cast<WNDPROC>(
          ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form1::ClickableProc)));
    }
  }
}

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

HWND Form1::Control(const std::string& name) const { return controls_.at(ControlIndex(name)); }

int Form1::ControlAt(HWND control) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == control) return static_cast<int>(i);
  }
  return -1;
}

void Form1::Form_Load() {
  loaded_ = true;
  unloaded_ = false;
  DEV_BROADCAST_DEVICEINTERFACE_A filter = volume_watch::DeviceInterfaceFilter();
  volume_watch::Hook(window_);
  deviceNotifyHandle_ = ::RegisterDeviceNotificationA(window_, &filter, volume_watch::AllInterfaceClasses);
}

void Form1::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  ::UnregisterDeviceNotification(deviceNotifyHandle_);
  deviceNotifyHandle_ = nullptr;
  volume_watch::Unhook();
}

void Form1::Show() {
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::UpdateWindow(window_);
  // The first control in tab order that takes the focus: "2. Lataa VKR-linux".
  ::SetFocus(controls_[TabOrder().front()]);
}

void Form1::Unload() {
  Form_Unload();
  ::DestroyWindow(window_);
}

bool Form1::PreTranslateMessage(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  if (message.wParam == VK_TAB) {
    const std::vector<std::size_t> order = TabOrder();
    const int current = ControlAt(::GetFocus());
    std::size_t position = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (static_cast<int>(order[i]) == current) position = i;
    }
    const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
    std::size_t next = current < 0 ? 0 : (position + (backwards ? order.size() - 1 : 1)) % order.size();
    HWND target = controls_[order[next]];
    ::SetFocus(target);
    if (Form1Controls()[order[next]].kind == ControlKind::TextBox) ::SendMessageA(target, EM_SETSEL, 0, -1);
    return true;
  }
  if (message.wParam == VK_RETURN) {
    const int current = ControlAt(::GetFocus());
    if (current >= 0 && Form1Controls()[current].kind == ControlKind::CommandButton) {
      // Bit 30 set: the key was down already, and this is the keyboard's auto-repeat. A held
      // Enter presses the button once; each repeat would otherwise close the step's box and
      // press the button again, and run the step over and over until the key is let go.
      const bool repeat = (message.lParam & (LPARAM{1} << 30)) != 0;
      if (!repeat) ::SendMessageA(controls_[current], BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

std::int16_t Form1::TextChangeCase(const std::int16_t& keyAscii, std::int16_t upperCase) const {
  return window::TextChangeCase(keyAscii, upperCase);
}

std::string Form1::DriveBoxText() { return platform::WindowText(Control("Text1")); }
std::string Form1::StatusText() { return platform::WindowText(Control("Label4")); }
void Form1::SetDriveBoxText(const std::string& text) { platform::SetWindowText(Control("Text1"), text); }
void Form1::SetStatusText(const std::string& text) { platform::SetWindowText(Control("Label4"), text); }

std::int16_t Form1::ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                                std::int32_t x, std::int32_t y) {
  return msgbox::MsgBoxEx(window_, prompt, title, style, x, y);
}

void Form1::Command1_Click() { steps_->Command1_Click(); }
void Form1::Command2_Click() { steps_->Command2_Click(); }
void Form1::Command5_Click() { steps_->Command5_Click(); }
void Form1::Command3_Click() { Unload(); }  // no question, whatever a step left unfinished
void Form1::Text1_KeyPress(std::int16_t& keyAscii) { window::Text1_KeyPress(*this, keyAscii); }
void Form1::Text1_Click() { window::Text1_Click(*this); }
void Form1::Image1_Click() { links::Image1_Click(*this, *system_); }
void Form1::Label5_Click() { links::Label5_Click(*this, *system_); }
void Form1::Image4_Click() { links::Image4_Click(*this); }
void Form1::Label7_Click() { links::Label7_Click(*this); }

void Form1::OnCommand(std::size_t control, WORD code) {
  const ControlSpec& c = Form1Controls()[control];
  // A label's or a picture's STN_CLICKED comes with the press, not the click: HandleClickable
  // sees their clicks.
  if (c.kind == ControlKind::CommandButton && code == BN_CLICKED) Click(control);
}

void Form1::Click(std::size_t control) {
  const ClickAction& click = Form1Controls()[control].click;
  if (click.handler != nullptr) (this->*click.handler)();
}

LRESULT Form1::OnControlColour(HDC dc, HWND control) {
  const int index = ControlAt(control);
  if (index < 0) return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
  const ControlSpec& c = Form1Controls()[index];
  const int back = c.backColour != NoColour ? c.backColour : Window;
  if (c.textColour != NoColour) ::SetTextColor(dc, ::GetSysColor(c.textColour));
  ::SetBkColor(dc, ::GetSysColor(back));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(back));
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = static_cast<int>(LOWORD(wParam)) - FirstControlId;
      if (lParam != 0 && index >= 0 && static_cast<std::size_t>(index) < controls_.size() &&
          controls_[index] == reinterpret_cast<HWND>(lParam)) {
        OnCommand(static_cast<std::size_t>(index), HIWORD(wParam));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR: {
      const HWND under = reinterpret_cast<HWND>(wParam);
      if (tooltip_ == nullptr) CreateTooltips(under);
      // The links show the hand, as links do.
      const int index = ControlAt(under);
      if (index >= 0 && Form1Controls()[index].click.link) {
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATE:
      // Keep the keyboard focus on its control across a message box or another window.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && ::IsWindow(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WmAppText1Click:
      Click(ControlIndex("Text1"));
      return 0;
    case WM_CLOSE:
      // Served wherever it comes: from the window's own loop, or from the modal loop of a step's
      // message box, the step's chain then still running below. That chain returns into this
      // object, which lives on (WinMain holds it until its loop has ended), asks Closed() and
      // touches no control of the window that has gone.
      Unload();
      return 0;
    case WM_DESTROY:
      closed_ = true;
      if (quitOnDestroy_) ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      // A window's properties are to be removed before it is gone.
      ::RemovePropA(window_, volume_watch::NoticeTargetProperty);
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    created->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr || form->window_ != window) return ::DefWindowProcA(window, message, wParam, lParam);
  try {
    return form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // No exception leaves an event handler.
    return 0;
  }
}

LRESULT Form1::HandleDriveBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR: {
      // The code of the character in the ANSI code page, as an ANSI window gets it.
      std::int16_t keyAscii = static_cast<std::int16_t>(static_cast<unsigned char>(wParam & 0xFF));
      Text1_KeyPress(keyAscii);
      if (keyAscii == 0) return 0;  // discarded: the box never sees it
      wParam = static_cast<WPARAM>(static_cast<unsigned char>(keyAscii));
      break;
    }
    case WM_LBUTTONDOWN:
      driveBoxPressed_ = true;
      break;
    case WM_LBUTTONUP:
      // A click is a press and a release inside the box; the warning opens once
      // the edit has finished with the mouse.
      if (driveBoxPressed_) {
        driveBoxPressed_ = false;
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT area;
        ::GetClientRect(box, &area);
        if (::PtInRect(&area, at)) ::PostMessageA(window_, WmAppText1Click, 0, 0);
      }
      break;
    case WM_NCDESTROY: {
      // The edit finishes with its last message, then the property goes, before the box does.
      const LRESULT result = ::CallWindowProcA(driveBoxPrevious_, box, message, wParam, lParam);
      ::RemovePropA(box, FormProperty);
      return result;
    }
  }
  return ::CallWindowProcA(driveBoxPrevious_, box, message, wParam, lParam);
}

LRESULT Form1::HandleClickable(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The second press of a double click comes as WM_LBUTTONDBLCLK (the static class asks for
      // double clicks): it is a press as well, so that each click of the user's counts.
      // The mouse is held until the release, wherever the pointer goes meanwhile.
      pressed_ = control;
      ::SetCapture(control);
      break;
    case WM_CAPTURECHANGED:
      // Another window took the mouse during the press: there is no click to come.
      if (pressed_ == control && reinterpret_cast<HWND>(lParam) != control) pressed_ = nullptr;
      break;
    case WM_LBUTTONUP:
      // A click when the button comes up over the control that took the press; off it, the
      // press is let go, as a user who slides off a button means it to be.
      if (pressed_ == control) {
        pressed_ = nullptr;
        ::ReleaseCapture();
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT area;
        ::GetClientRect(control, &area);
        const LRESULT result = ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
        const int index = ControlAt(control);
        if (::PtInRect(&area, at) && index >= 0) Click(static_cast<std::size_t>(index));
        return result;
      }
      break;
    case WM_NCDESTROY: {
      const LRESULT result = ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
      ::RemovePropA(control, FormProperty);
      return result;
    }
  }
  return ::CallWindowProcA(staticPrevious_, control, message, wParam, lParam);
}

LRESULT CALLBACK Form1::ClickableProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = static_cast<Form1*>(::GetPropA(control, FormProperty));
  if (form == nullptr) return ::DefWindowProcA(control, message, wParam, lParam);
  try {
    return form->HandleClickable(control, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT CALLBACK Form1::DriveBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = static_cast<Form1*>(::GetPropA(box, FormProperty));
  if (form == nullptr) return ::DefWindowProcA(box, message, wParam, lParam);
  try {
    return form->HandleDriveBox(box, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace window
