// What the event handlers need from the window: the seam between the platform-free handlers and
// Form1, which implements it (a test double does too).
#pragma once

#include <cstdint>
#include <string>

namespace services {

// All texts are UTF-8; the Win32 implementation converts at the boundary.
class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // The drive box (Text1), read afresh each time.
  virtual std::string DriveBoxText() = 0;
  // The status line (Label4).
  virtual std::string StatusText() = 0;
  virtual void SetStatusText(const std::string& text) = 0;

  // MsgBoxEx owned by the window; returns when the user has closed the box.
  virtual std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                                   std::int32_t x, std::int32_t y) = 0;

  // True once the window has been closed. A close request is handled inside the modal loop of a
  // step's message box too; the step then starts no further tool and shows no further box.
  virtual bool WindowClosed() = 0;
};

// Title and style of every message but the credit.
inline constexpr const char* MessageTitle = "USB-asennus";
inline constexpr std::uint32_t MessageStyle = 0;  // OK button only, no icon

}  // namespace services
