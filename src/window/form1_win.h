// Form1: the program's one window, its controls and its event handlers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/handle_win.h"
#include "services/system_services.h"
#include "services/window_services.h"
#include "steps/steps.h"
#include "volume_watch/volume_watch_win.h"
#include "window/controls.h"

namespace window {

// The form is what the handlers see of the window (services::WindowServices); what they need of
// the system comes from os/, joined to them here.
class Form1 final : public volume_watch::NoticeTarget, public ClickHandlers, public services::WindowServices {
 public:
  // Creates the window and every control from the control table; not yet visible. Form1's life
  // and its handlers are in form1_win.cpp; the other files named below hold the rest.
  static std::unique_ptr<Form1> Create(HINSTANCE instance);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Starts the volume watcher and registers for device notices.
  void Form_Load();
  // Stops the watcher: releases the registration, then removes the subclass.
  void Form_Unload();
  // Shows the window with the focus on the first control in tab order.
  void Show();
  // Form_Unload, then the window is destroyed. With quitOnDestroy the message loop ends.
  void Unload();

  // The keyboard the form handles itself before dispatch: Tab and Shift+Tab
  // follow the tab indexes across both frames, Enter presses a focused button (form1_input_win.cpp).
  bool PreTranslateMessage(const MSG& message);

  // The form's public case method.
  std::int16_t TextChangeCase(const std::int16_t& keyAscii, std::int16_t upperCase) const;

  HWND Handle() const { return window_; }
  // True once the window has been destroyed: closed by the user or the system, or unloaded.
  bool Closed() const { return closed_; }
  HWND Control(const std::string& name) const;
  HDEVNOTIFY DeviceNotifyHandle() const { return deviceNotifyHandle_; }
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

  // The drive box and the status line, as the handlers and the watcher see them; the message box
  // that the window owns; whether the window has gone.
  std::string DriveBoxText() override;
  std::string StatusText() override;
  void SetDriveBoxText(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style, std::int32_t x,
                           std::int32_t y) override;
  bool WindowClosed() override { return closed_; }

  // Event handlers; the control table names the click handler of each control.
  void Command1_Click() override;
  void Command2_Click() override;
  void Command3_Click() override;
  void Command5_Click() override;
  void Text1_KeyPress(std::int16_t& keyAscii);
  void Text1_Click() override;
  void Image1_Click() override;
  void Label5_Click() override;
  void Image4_Click() override;
  void Label7_Click() override;

 private:
  explicit Form1(HINSTANCE instance);

  // form1_dispatch_win.cpp: the window's own messages.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(std::size_t control, WORD code);
  void Click(std::size_t control);  // runs the table's click handler of the control, if it has one
  LRESULT OnControlColour(HDC dc, HWND control);

  // form1_input_win.cpp: the subclassed drive box, and the labels and pictures that take clicks:
  // a press, then the release over the same control.
  static LRESULT CALLBACK DriveBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ClickableProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleDriveBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleClickable(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

  // form1_controls_win.cpp: the controls, made from the control table.
  void CreateControls();
  HFONT FontFor(const FontSpec& font);
  int Pixels(int twips) const;
  int ControlAt(HWND control) const;  // index in the table, or -1

  // form1_tooltips_win.cpp.
  void CreateTooltips(HWND under);  // on the first hover; under: the window below the mouse

  HINSTANCE instance_;
  HWND window_ = nullptr;
  std::vector<HWND> controls_;  // parallel to Form1Controls(); children die with the window
  std::vector<std::pair<FontSpec, platform::UniqueGdiObject>> fonts_;
  std::vector<platform::UniqueGdiObject> bitmaps_;
  std::vector<platform::UniqueIcon> icons_;
  HWND tooltip_ = nullptr;  // created on the first hover; a popup owned by the window, destroyed with it
  WNDPROC driveBoxPrevious_ = nullptr;
  bool driveBoxPressed_ = false;
  WNDPROC staticPrevious_ = nullptr;  // the static class's procedure, under each clickable one
  HWND pressed_ = nullptr;            // the clickable label or picture that holds the mouse
  HWND lastFocus_ = nullptr;
  int dpi_ = 96;
  bool quitOnDestroy_ = false;
  bool loaded_ = false;
  bool unloaded_ = false;
  bool closed_ = false;  // set as the window is destroyed; a step still running reads it
  HDEVNOTIFY deviceNotifyHandle_ = nullptr;  // set by Form_Load, released by Form_Unload

  std::unique_ptr<services::SystemServices> system_;
  std::unique_ptr<steps::InstallSteps> steps_;
};

}  // namespace window
