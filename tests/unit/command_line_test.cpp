// The tools' command lines, byte for byte, and the quoting of tokens with blanks.
#include <gtest/gtest.h>

#include "steps/command_line.h"
#include "steps/program_folder.h"

namespace {

using namespace steps;

TEST(CommandLines, AreByteExactForTheUsualFolderAndDrive) {
  const std::string folder = "C:\\Ohjelmatiedostot\\VKR";
  EXPECT_EQ(FormatCommand(folder, "E:"),
            "C:\\Ohjelmatiedostot\\VKR\\HPUSBF  E: -FS:FAT32 -V:VKR -S:C:\\Ohjelmatiedostot\\VKR\\SYSLINUX -Y");
  EXPECT_EQ(BootLoaderCommand(folder, "E:"), "C:\\Ohjelmatiedostot\\VKR\\syslinux.exe  E:");
  EXPECT_EQ(DownloadCommand(), "wget -t3 -nH -P . http://lataus.vakkura.example/files/solvara-vkr-live-dvd.iso");
  EXPECT_EQ(ExtractCommand("E:"), "UltraISO -inputfile solvara-vkr-live-dvd.iso -extract E:");
  EXPECT_EQ(BootMenuTestPath("E:"), "E:\\vesamenu.c32");
}

TEST(CommandLines, TwoLetterDriveGoesThroughUnchanged) {
  EXPECT_EQ(FormatCommand("D:\\X", "EF:"), "D:\\X\\HPUSBF  EF: -FS:FAT32 -V:VKR -S:D:\\X\\SYSLINUX -Y");
  EXPECT_EQ(BootLoaderCommand("D:\\X", "EF:"), "D:\\X\\syslinux.exe  EF:");
  EXPECT_EQ(ExtractCommand("EF:"), "UltraISO -inputfile solvara-vkr-live-dvd.iso -extract EF:");
  EXPECT_EQ(BootMenuTestPath("EF:"), "EF:\\vesamenu.c32");
}

TEST(CommandLines, RootFolderGivesTwoBackslashes) {
  EXPECT_EQ(BootLoaderCommand(ProgramFolder("C:\\"), "E:"), "C:\\\\syslinux.exe  E:");
}

TEST(CommandLines, FolderWithABlankIsQuoted) {
  const std::string folder = "C:\\Program Files\\VKR";
  EXPECT_EQ(FormatCommand(folder, "E:"),
            "\"C:\\Program Files\\VKR\\HPUSBF\"  E: -FS:FAT32 -V:VKR \"-S:C:\\Program Files\\VKR\\SYSLINUX\" -Y");
  EXPECT_EQ(BootLoaderCommand(folder, "E:"), "\"C:\\Program Files\\VKR\\syslinux.exe\"  E:");
}

TEST(QuoteArgument, FollowsTheSplittingRules) {
  // Expected values worked out by hand from the rules: 2n backslashes before a
  // quote give n, 2n+1 give n and a literal quote; elsewhere backslashes are literal.
  const struct {
    const char* token;
    const char* quoted;
  } cases[] = {
      {"E:", "E:"},
      {"", ""},
      {"C:\\a\\b", "C:\\a\\b"},
      {"a b", "\"a b\""},
      {"a\tb", "\"a\tb\""},
      {"a\"b", "\"a\\\"b\""},
      {"a b\\", "\"a b\\\\\""},
      {"a\\\"b c", "\"a\\\\\\\"b c\""},
      {"C:\\Program Files\\", "\"C:\\Program Files\\\\\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteArgument(c.token), c.quoted) << c.token;
}

TEST(ProgramFolder, TakesFirstCharacterAColonAndTheRest) {
  const struct {
    const char* current;
    const char* folder;
  } cases[] = {
      {"D:\\Asennus\\Tikku", "D:\\Asennus\\Tikku"},
      {"C:\\", "C:\\"},
      {"\\\\server\\share", "\\:server\\share"},
      {"C:\\Ohjelmatiedostot\\VKR", "C:\\Ohjelmatiedostot\\VKR"},
      {"", ":"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolder(c.current), c.folder) << c.current;
}

}  // namespace
