// The file system as the steps need it: the current directory, the Windows folder, the program's
// own file, a file's length, renaming and removing. Paths are UTF-8; a drive that has gone gives a
// failure, not a system dialog. A path that the ANSI code page cannot hold exactly is a failure
// too: the A calls would name a look-alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "services/system_services.h"

namespace os {

// The length of a file in bytes, 64 bits wide; empty for a folder, or when the file, its drive or
// its path cannot be used.
std::optional<std::int64_t> FileLength(const std::string& path);

// The current directory; empty when the system cannot tell, when it is longer than MAX_PATH, or
// when the code page cannot hold its name exactly.
std::optional<std::string> CurrentDirectory();

// The shared Windows folder, whose drive is the system drive (not the user's private Windows
// folder of a Remote Desktop server); empty when the system cannot tell.
std::optional<std::string> WindowsFolder();

// The program's own file (USB.exe); empty when the system cannot tell, or when the code page
// cannot hold its name exactly.
std::optional<std::string> ProgramFile();

// Renames, replacing an existing target only where asked to; false on failure.
bool RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists);

// Removes a file, read-only or not; false when it could not be removed (or was not there).
bool RemoveFile(const std::string& path);

// A leftover is marked with FILE_ATTRIBUTE_TEMPORARY, which no file that the program keeps
// carries: the attribute can be set while another program holds the file open, when it can be
// neither removed nor renamed. (Wine keeps no such attribute.)
bool MarkLeftover(const std::string& path);
bool IsLeftover(const std::string& path);

}  // namespace os
