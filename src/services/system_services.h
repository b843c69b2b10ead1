// What the event handlers need from the system: the seam between the platform-free handlers and
// the Win32 system half in os/ (a test double implements it too).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace services {

// What the system says of one drive letter: GetDriveTypeW's answer; the device that the letter
// stands for, as QueryDosDeviceW names it first (empty where it names none, or where the code
// page cannot hold the name); and, where the question can be put, the bus that the volume's disk
// hangs on (STORAGE_BUS_TYPE). Numbers as Windows numbers them.
struct DriveFacts {
  std::uint32_t type = 0;
  std::optional<std::string> device;
  std::optional<std::uint32_t> bus;
};

// GetDriveTypeW's answers that the drive check tells apart (winbase.h's numbers).
inline constexpr std::uint32_t DriveNoRootDir = 1;  // the letter names no drive at all
inline constexpr std::uint32_t DriveRemovable = 2;
inline constexpr std::uint32_t DriveRemote = 4;
inline constexpr std::uint32_t DriveCdRom = 5;
inline constexpr std::uint32_t DriveRamDisk = 6;

// The STORAGE_BUS_TYPE buses that a stick hangs on, with the numbers of Windows' winioctl.h
// (stated here, where no Windows header may come; os/drives_win.cpp checks them against the
// headers it has).
inline constexpr std::uint32_t BusScsi = 1;
inline constexpr std::uint32_t BusUsb = 7;
inline constexpr std::uint32_t BusSd = 12;
inline constexpr std::uint32_t BusMmc = 13;

// Whether a rename may replace a file that already stands under the new name.
enum class IfTargetExists { Fail, Replace };

// A shell result of 32 or less means the document could not be opened.
inline constexpr int ShellFailureThreshold = 32;
inline constexpr int ShowNormal = 1;  // SW_SHOWNORMAL

// All texts are UTF-8; the Win32 implementation converts at the boundary.
class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // RunAndWait: starts the program file at this full path, which receives the command line as it
  // is; the exit code, or -1 when the program cannot be started.
  virtual std::int32_t RunAndWait(const std::string& program, const std::string& commandLine) = 0;

  // The length of a file in bytes; empty when the file, its drive or its path cannot be used.
  virtual std::optional<std::int64_t> FileLength(const std::string& path) = 0;
  // The current directory, the shared Windows folder (whose drive is the system drive) and the
  // program's own file; empty when the system cannot tell, or when the name holds a character
  // that the ANSI code page lacks (the A calls and the command lines could not name it), which is
  // not the same as a folder without a drive letter.
  virtual std::optional<std::string> CurrentDirectory() = 0;
  virtual std::optional<std::string> WindowsFolder() = 0;
  virtual std::optional<std::string> ProgramFile() = 0;
  // What the system says of the drive of this capital letter.
  virtual DriveFacts DriveFactsOf(char letter) = 0;
  // Renames; false on failure, and when the target exists and may not be replaced.
  virtual bool RenameFile(const std::string& from, const std::string& to, IfTargetExists ifExists) = 0;
  // Removes a file, read-only or not; false when it could not be removed (or was not there).
  virtual bool RemoveFile(const std::string& path) = 0;
  // Marks a file that could not be removed as a leftover, to be removed later and never taken
  // for a file of use; false when it cannot be marked. IsLeftover: whether the file is so marked.
  virtual bool MarkLeftover(const std::string& path) = 0;
  virtual bool IsLeftover(const std::string& path) = 0;

  // OpenWithShell: the shell's result unchanged (greater than ShellFailureThreshold is success).
  virtual std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) = 0;
};

}  // namespace services
