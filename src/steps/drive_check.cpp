// The drive check of the format and extract steps.
#include "steps/drive_check.h"

namespace steps {
namespace {

using services::BusMmc;
using services::BusScsi;
using services::BusSd;
using services::BusUsb;
using services::DriveCdRom;
using services::DriveNoRootDir;
using services::DriveRamDisk;
using services::DriveRemote;
using services::DriveRemovable;

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The drive letter that a path such as "C:\Windows" or "d:\x" starts with, as a capital; 0 if none.
// "\\?\C:\x" and "\\.\C:\x" name drive C as well: the module's own path may be given so.
char DriveLetterOf(std::string path) {
  if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) path.erase(0, 4);
  if (path.size() < 2 || path[1] != ':') return 0;
  char c = path[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return IsCapital(c) ? c : 0;
}

bool IsStickBus(std::uint32_t bus) { return bus == BusUsb || bus == BusSd || bus == BusMmc || bus == BusScsi; }

bool CanBeAStick(const services::DriveFacts& facts) {
  if (facts.type == DriveRemote || facts.type == DriveCdRom || facts.type == DriveRamDisk) return false;
  // No device behind the letter: only a letter that names no drive at all, where the tool fails.
  if (!facts.device) return facts.type == DriveNoRootDir;
  // A letter of a folder on some drive (subst): the tools would write into that folder.
  if (facts.device->rfind(FolderDevicePrefix, 0) == 0) return false;
  if (facts.bus) return IsStickBus(*facts.bus);
  return facts.type == DriveRemovable;
}

}  // namespace

DriveVerdict CheckDrive(const std::string& driveBox, const DriveContext& context) {
  if (driveBox.empty() || driveBox == ":") return DriveVerdict::Missing;
  if (driveBox.size() < 2 || driveBox.back() != ':') return DriveVerdict::Refused;

  // Unknown drives to protect: any drive named might be one of them.
  if (!context.programFolder || !context.programFile || !context.windowsFolder) return DriveVerdict::Refused;
  const char systemDrive = DriveLetterOf(*context.windowsFolder);
  if (systemDrive == 0) return DriveVerdict::Refused;
  const char programDrive = DriveLetterOf(*context.programFolder);
  const char programFileDrive = DriveLetterOf(*context.programFile);
  const std::string letters = driveBox.substr(0, driveBox.size() - 1);
  for (const char c : letters) {
    if (!IsCapital(c)) return DriveVerdict::Refused;
    if (c == 'C' || c == systemDrive || c == programDrive || c == programFileDrive) return DriveVerdict::Refused;
  }
  // Only a plain list of letters gets this far, so only drives are asked about.
  for (const char c : letters) {
    if (!context.factsOf || !CanBeAStick(context.factsOf(c))) return DriveVerdict::Refused;
  }
  return DriveVerdict::Accepted;
}

}  // namespace steps
