// The command lines that the three steps hand to the outside programs.
#pragma once

#include <string>

namespace steps {

// Quotes one command-line token by the rules that CommandLineToArgvW and the C
// runtime use to split it again. A token without blanks, tabs or quotes is left
// as it is, so that ordinary command lines stay byte for byte what the tools
// expect; a token such as C:\Program Files\VKR\HPUSBF is quoted, so that Windows
// cannot start C:\Program.exe instead.
std::string QuoteArgument(const std::string& token);

// <folder>\HPUSBF  <drive> -FS:FAT32 -V:VKR -S:<folder>\SYSLINUX -Y  (two blanks after the program)
std::string FormatCommand(const std::string& programFolder, const std::string& drive);
// <folder>\syslinux.exe  <drive>  (two blanks)
std::string BootLoaderCommand(const std::string& programFolder, const std::string& drive);
// wget -t3 -nH -P . <image URL>
std::string DownloadCommand();
// UltraISO -inputfile solvara-vkr-live-dvd.iso -extract <drive>
std::string ExtractCommand(const std::string& drive);

// The image's address on the download server.
std::string ImageUrl();

// Where step 1 looks for the boot menu that proves the stick was prepared: this file in the
// drive's root.
inline constexpr const char* BootMenuFileName = "vesamenu.c32";
std::string BootMenuTestPath(const std::string& drive);

}  // namespace steps
