// Which way a document goes to the shell: the decision, apart from the platform.
#pragma once

#include <cstdint>
#include <string>

#include "services/system_services.h"

namespace os {

// The two ways of handing a document to the shell. The program runs as administrator; the
// shell's ShellExecuteA, called from it, starts the user's browser with those rights when no
// browser runs yet, and every page then opened in that browser has them too. The desktop's own
// shell runs with the user's ordinary rights and can be asked to open the document instead.
enum class Elevation { Elevated, NotElevated, Unknown };
// What became of a request through the desktop's shell: it never got there (no desktop shell,
// as on XP without Explorer or where COM cannot reach it), the desktop's shell opened the
// document, or the desktop's shell tried and refused it.
enum class DesktopAnswer { NotReached, Opened, Refused };

class ShellRoutes {
 public:
  virtual ~ShellRoutes() = default;
  // What the process's token says; Unknown where the system has no such query (XP).
  virtual Elevation ProcessElevation() = 0;
  virtual DesktopAnswer OpenThroughDesktop(const std::string& document, std::int32_t showCommand) = 0;
  // ShellExecuteA in this process: its result unchanged.
  virtual std::int32_t OpenDirectly(const std::string& document, std::int32_t showCommand) = 0;
};

// The desktop's shell says only whether it opened the document, not why it did not; its answer,
// or the request that never got there, reaches the handlers as the nearest shell result on that
// side of the threshold.
inline constexpr std::int32_t DesktopOpened = services::ShellFailureThreshold + 1;
inline constexpr std::int32_t DesktopNotOpened = services::ShellFailureThreshold;

// Only a process known not to be elevated calls ShellExecuteA itself. One that is elevated, or
// cannot tell (XP, which knows no elevation), asks the desktop's shell, and its answer stands: where
// the request never got there (no Explorer) or was refused, the page is not opened, for the same
// request from this process would start the browser with full rights (under another account's
// settings, where an administrator elevated the program for a standard user).
std::int32_t OpenWithShell(ShellRoutes& routes, const std::string& document, std::int32_t showCommand);

}  // namespace os
