// The file system as the steps need it: the current directory, the Windows folder, a file's
// length, renaming and removing. Paths are UTF-8; a drive that has gone gives a failure, not a
// system dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace steps {

// The length of a file in bytes, 64 bits wide; empty for a folder, or when the file, its drive or
// its path cannot be used.
std::optional<std::int64_t> FileLength(const std::string& path);

// The current directory; empty when the system cannot tell, or when it is longer than MAX_PATH.
std::optional<std::string> CurrentDirectory();

// The shared Windows folder, whose drive is the system drive (not the user's private Windows
// folder of a Remote Desktop server); empty when the system cannot tell.
std::optional<std::string> WindowsFolder();

// Renames, replacing an existing target; false on failure.
bool RenameFile(const std::string& from, const std::string& to);

// Removes a file; false when it could not be removed (or was not there).
bool RemoveFile(const std::string& path);

}  // namespace steps
