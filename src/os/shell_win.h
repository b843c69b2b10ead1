// OpenWithShell: hand a document (here the home page) to the shell, with the user's own rights.
#pragma once

#include <cstdint>
#include <string>

#include "os/shell.h"

namespace os {

// Through ShellExecuteA where this process is known not to be elevated, else through the desktop's
// shell alone: os::OpenWithShell(ShellRoutes&, ...) decides.
// Greater than 32 is success.
std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand);

// The routes on their own, for the tests.
Elevation ProcessElevation();
// The desktop's shell (Explorer) opens the document, in its process and with its rights.
DesktopAnswer OpenThroughDesktopShell(const std::string& document, std::int32_t showCommand);
// One ShellExecuteA call: no owner, the verb "open", the document in ANSI, no parameters, no
// folder. Returns the shell's result unchanged.
std::int32_t OpenWithShellExecuteA(const std::string& document, std::int32_t showCommand);

}  // namespace os
