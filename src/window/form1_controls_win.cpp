// Form1's controls, made from the control table: their classes, fonts, pictures and subclasses.
#include "window/form1_win.h"

#include <windows.h>

#include <cstring>

#include "platform/text_win.h"
#include "platform/twips.h"
#include "window/frame_win.h"
#include "window/ids.h"

namespace window {

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

HWND Form1::Control(const std::string& name) const { return controls_.at(ControlIndex(name)); }

int Form1::ControlAt(HWND control) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == control) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace window
