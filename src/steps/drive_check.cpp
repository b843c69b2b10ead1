// The drive check of the format and extract steps.
#include "steps/drive_check.h"

namespace steps {
namespace {

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The drive letter that a path such as "C:\Windows" or "d:\x" starts with, as a capital; 0 if none.
char DriveLetterOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return 0;
  char c = path[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return IsCapital(c) ? c : 0;
}

}  // namespace

DriveVerdict CheckDrive(const std::string& driveBox, const std::optional<std::string>& programFolder,
                        const std::optional<std::string>& windowsFolder) {
  if (driveBox.empty() || driveBox == ":") return DriveVerdict::Missing;
  if (driveBox.size() < 2 || driveBox.back() != ':') return DriveVerdict::Refused;

  // Unknown drives to protect: any drive named might be one of them.
  if (!programFolder || !windowsFolder) return DriveVerdict::Refused;
  const char systemDrive = DriveLetterOf(*windowsFolder);
  if (systemDrive == 0) return DriveVerdict::Refused;
  const char programDrive = DriveLetterOf(*programFolder);
  for (size_t i = 0; i + 1 < driveBox.size(); ++i) {
    const char c = driveBox[i];
    if (!IsCapital(c)) return DriveVerdict::Refused;
    if (c == 'C' || c == systemDrive || c == programDrive) return DriveVerdict::Refused;
  }
  return DriveVerdict::Accepted;
}

}  // namespace steps
