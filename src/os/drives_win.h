// What the system says of a drive letter: its type, the device behind it, the bus of its disk.
#pragma once

#include "services/system_services.h"

namespace os {

// GetDriveTypeW of the letter's root, the device that QueryDosDeviceW names for the letter, and
// the bus of the volume's disk where the system answers. A drive that has gone gives a failure,
// not a system dialog.
services::DriveFacts DriveFactsOf(char letter);

}  // namespace os
