// Form1's life (create, load, show, unload) and its handlers, joined to the steps, the links and the system.
#include "window/form1_win.h"

#include <windows.h>
#include <dbt.h>

#include "links/links.h"
#include "msgbox/msgbox_win.h"
#include "os/system_services_win.h"
#include "platform/text_win.h"
#include "resource_ids.h"
#include "window/drive_field.h"
#include "window/form_place_win.h"
#include "window/frame_win.h"
#include "window/ids.h"
#include "window/text_case.h"

namespace window {
namespace {

static_assert(services::MessageStyle == MB_OK, "window_services.h's message style is MB_OK");

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

}  // namespace window
