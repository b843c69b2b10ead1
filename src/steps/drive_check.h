// The check on the drive box before a step writes to the named drive.
#pragma once

#include <optional>
#include <string>

namespace steps {

enum class DriveVerdict {
  Accepted,  // one or more capital letters and one colon, none of them a protected drive
  Missing,   // empty, or a lone colon: no stick was detected
  Refused,   // anything else: not a drive text, or the system or program drive
};

// The format and the extraction write to the named drive, so a blank, a small
// letter, a backslash or an option in the box must never reach a tool, and
// neither may drive C, the drive of the Windows folder or the drive that holds
// the program folder. "EF:" (two volumes in one notice) passes unchanged.
// When either folder could not be read (empty), or the Windows folder names no
// drive, the drives to protect are not known and every drive is refused; a
// program folder on a network path has no drive to protect.
DriveVerdict CheckDrive(const std::string& driveBox, const std::optional<std::string>& programFolder,
                        const std::optional<std::string>& windowsFolder);

}  // namespace steps
