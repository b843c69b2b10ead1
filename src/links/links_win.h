// OpenWithShell: hand a document (here the home page) to the shell.
#pragma once

#include <cstdint>
#include <string>

namespace links {

// One ShellExecuteA call: no owner, the verb "open", the document in ANSI, no
// parameters, no folder. Returns the shell's result unchanged.
std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand);

}  // namespace links
