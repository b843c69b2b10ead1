// The check on the drive box before a step writes to the named drive.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "services/system_services.h"

namespace steps {

enum class DriveVerdict {
  Accepted,  // one or more capital letters and one colon, each a drive that can be a stick
  Missing,   // empty, or a lone colon: no stick was detected
  Refused,   // anything else: not a drive text, a protected drive, or a drive that is no stick
};

// How the system names the device behind a letter of a folder (QueryDosDeviceW's answer for a
// subst letter: "\??\C:\data"); a volume's device is "\Device\...".
inline constexpr const char* FolderDevicePrefix = "\\??\\";

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
// Only a drive that can be a stick passes, on a clear answer: a volume whose disk hangs on USB,
// SD, MMC or SCSI (USB enclosures that speak UAS report SCSI, and the window tells the user to
// switch USB hard disks off); every other bus is refused, an unknown one (0) too. Where the bus
// cannot be asked, a removable drive passes and a fixed or unknown one does not; a letter that
// names no drive at all passes, and the tool then fails and says so. A network drive, a CD or DVD
// drive and a RAM disk are refused whatever their bus, and so is a letter that stands for a
// folder (subst), or one whose device the system does not name.
DriveVerdict CheckDrive(const std::string& driveBox, const DriveContext& context);

}  // namespace steps
