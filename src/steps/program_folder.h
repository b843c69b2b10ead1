// The program folder, derived afresh from the current directory.
#pragma once

#include <string>

namespace steps {

// The first character of the current directory, a colon, then the current
// directory from its third character on. For "D:\Asennus\Tikku" that is the same
// text; a network path "\\server\share" gives "\:server\share", which names no folder.
std::string ProgramFolder(const std::string& currentDirectory);

// The live image's bare file name, and where the steps expect it.
inline constexpr const char* ImageFileName = "solvara-vkr-live-dvd.iso";
std::string ImagePath(const std::string& programFolder);

}  // namespace steps
