// Which way a document goes to the shell.
#include "os/shell.h"

namespace os {

std::int32_t OpenWithShell(ShellRoutes& routes, const std::string& document, std::int32_t showCommand) {
  if (routes.ProcessElevation() == Elevation::NotElevated) return routes.OpenDirectly(document, showCommand);
  return routes.OpenThroughDesktop(document, showCommand) == DesktopAnswer::Opened ? DesktopOpened
                                                                                   : DesktopNotOpened;
}

}  // namespace os
