// The check on the drive box before a step writes to the named drive.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "services/form_services.h"

namespace steps {

enum class DriveVerdict {
  Accepted,  // one or more capital letters and one colon, each a drive that can be a stick
  Missing,   // empty, or a lone colon: no stick was detected
  Refused,   // anything else: not a drive text, a protected drive, or a drive that is no stick
};

// GetDriveTypeW's answers that name a drive no stick can be (winbase.h's numbers).
inline constexpr std::uint32_t DriveRemote = 4;
inline constexpr std::uint32_t DriveCdRom = 5;
inline constexpr std::uint32_t DriveRamDisk = 6;

// STORAGE_BUS_TYPE's buses inside the computer, with the numbers of Windows' winioctl.h (stated
// here, where no Windows header may come; files_win.cpp checks them against the headers it has).
inline constexpr std::uint32_t BusAtapi = 2;
inline constexpr std::uint32_t BusAta = 3;
inline constexpr std::uint32_t BusRaid = 8;
inline constexpr std::uint32_t BusIScsi = 9;
inline constexpr std::uint32_t BusSas = 10;
inline constexpr std::uint32_t BusSata = 11;
inline constexpr std::uint32_t BusFileBackedVirtual = 15;
inline constexpr std::uint32_t BusSpaces = 16;
inline constexpr std::uint32_t BusNvme = 17;

// What the check knows besides the box: the folder and the file whose drives are protected,
// and what the system says of a drive letter (asked only of letters that pass the rest).
struct DriveContext {
  std::optional<std::string> programFolder;
  std::optional<std::string> programFile;
  std::optional<std::string> windowsFolder;
  std::function<services::DriveFacts(char letter)> factsOf;
};

// The format and the extraction write to the named drive, so a blank, a small
// letter, a backslash or an option in the box must never reach a tool, and
// neither may drive C, the drive of the Windows folder, the drive that holds
// the program folder or the drive that holds the program's own file: formatting
// that one pulls the volume out from under the running program and its tools.
// "EF:" (two volumes in one notice) passes unchanged, each letter checked.
// When a folder or the program file could not be read (empty), or the Windows
// folder names no drive, the drives to protect are not known and every drive is
// refused; a program folder or file on a network path has no drive to protect.
//
// A drive that plainly is no stick is refused too: a network drive, a CD or DVD
// drive, a RAM disk, or a volume whose disk reports a bus inside the computer
// (ATA, ATAPI, SATA, NVMe, RAID, SAS, iSCSI, Storage Spaces, a file-backed
// virtual disk). USB, SD, MMC and SCSI pass: USB enclosures that speak UAS
// report SCSI, and the window tells the user to switch USB hard disks off.
// Where the bus cannot be asked, the drive type alone decides; a letter that
// names no drive passes, and the format then fails and says so.
DriveVerdict CheckDrive(const std::string& driveBox, const DriveContext& context);

}  // namespace steps
