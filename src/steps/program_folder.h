// The program folder, derived afresh from the current directory.
#pragma once

#include <string>

namespace steps {

// The first character of the current directory, a colon, then the current
// directory from its third character on. For "D:\Asennus\Tikku" that is the same
// text; a network path "\\server\share" gives "\:server\share", which names no folder.
std::string ProgramFolder(const std::string& currentDirectory);

// The outside programs, by their file names in the program folder. Each is started by its full
// path there (ToolPath) and by nothing else: the program runs as administrator, and a program of
// that name found by a search (on the search path, in the system folders, beside USB.exe) would
// run with its rights. The command lines keep their own spelling of each name.
inline constexpr const char* FormatTool = "HPUSBF.exe";
inline constexpr const char* BootLoaderTool = "syslinux.exe";
inline constexpr const char* Downloader = "wget.exe";
inline constexpr const char* Extractor = "UltraISO.exe";
std::string ToolPath(const std::string& programFolder, const char* tool);

// The live image's bare file name: the steps name it so, in the current directory, where the
// downloader saves it and the extractor reads it.
inline constexpr const char* ImageFileName = "solvara-vkr-live-dvd.iso";

}  // namespace steps
