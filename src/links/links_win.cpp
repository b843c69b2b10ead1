// ShellExecuteA for the home page.
#include "links/links_win.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/text_win.h"

namespace links {

std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) {
  HINSTANCE result =
      ::ShellExecuteA(nullptr, "open", platform::ToAnsi(document).c_str(), nullptr, nullptr, showCommand);
  return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace links
