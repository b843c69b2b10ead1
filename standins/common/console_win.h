// Command-line arguments and diagnostics on stderr for the windowless stand-ins.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standins {

// The process's arguments split by the standard Windows rules (CommandLineToArgvW),
// so quoted tokens holding blanks and runs of blanks behave as on Windows.
std::vector<std::wstring> CommandArgs();

// One line on stderr, prefixed with the tool's name. The tools are GUI programs so
// that no console window opens; when started without a stderr (as the installer
// starts them) the line is dropped, and when started from a shell it reaches it.
void Say(const std::string& tool, const std::string& utf8Line);

// The system's text for a Win32 error code, without the trailing line break.
std::string ErrorText(DWORD code);

}  // namespace standins
