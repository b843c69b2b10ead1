// The steps' file-system calls, with the system's error dialogs held back.
#include "steps/files_win.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <vector>

#include "platform/handle_win.h"
#include "platform/text_win.h"
#include "steps/drive_check.h"

namespace steps {
namespace {

// drive_check.h states Windows' numbers itself, from Windows' own winbase.h and winioctl.h (a
// platform-free file takes no Windows header). Here they meet mingw-w64's headers where those
// name them: built for XP, they hide the buses that came with Vista (SD 12, MMC 13), and for
// those drive_check.h's numbers stand alone.
static_assert(DriveNoRootDir == DRIVE_NO_ROOT_DIR && DriveRemovable == DRIVE_REMOVABLE && DriveRemote == DRIVE_REMOTE &&
                  DriveCdRom == DRIVE_CDROM && DriveRamDisk == DRIVE_RAMDISK,
              "drive_check.h's drive types are GetDriveType's");
static_assert(BusScsi == BusTypeScsi && BusUsb == BusTypeUsb, "drive_check.h's buses are STORAGE_BUS_TYPE's");

// No "insert a disk" dialog for a stick that has gone: the query just fails.
class QuietErrors {
 public:
  QuietErrors() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrors() { ::SetErrorMode(previous_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  UINT previous_;
};

// The folder that query(buffer, size) writes, read wide; empty when the query fails, when the
// folder does not fit (the query then asks for more room), or when the code page cannot hold
// its name.
template <typename Query>
std::optional<std::string> FolderFrom(Query query) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = query(buffer, static_cast<DWORD>(MAX_PATH + 1));
  if (n == 0 || n >= MAX_PATH + 1) return std::nullopt;
  return platform::FromWide(std::wstring(buffer, n));
}

// The file's attributes; INVALID_FILE_ATTRIBUTES for a folder, or when there is no such file.
DWORD FileAttributes(const std::string& ansi) {
  const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? INVALID_FILE_ATTRIBUTES
                                                                                          : attributes;
}

}  // namespace

std::optional<std::int64_t> FileLength(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return std::nullopt;
  QuietErrors quiet;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(ansi->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;  // a folder is no file
  // 64 bits: an image of 2 GiB or more is measured whole.
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Wide, not through the 8-bit call: that one maps a character the code page lacks to a look-alike,
// and a folder "x＼..＼..＼Public" (U+FF3C, a letter in a file name) would read as the real path
// x\..\..\Public, another folder, where step 1 would start its tools.
std::optional<std::string> CurrentDirectory() {
  return FolderFrom([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); });
}

// GetWindowsDirectory would give, on a Remote Desktop server, the user's private Windows folder,
// on whatever drive that is.
std::optional<std::string> WindowsFolder() {
  return FolderFrom([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); });
}

std::optional<std::string> ProgramFile() {
  // Room for the longest path there is; a name cut short (the result then fills the buffer, and
  // XP leaves it unterminated) is no name.
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), size);
  if (n == 0 || n >= size) return std::nullopt;
  return platform::FromWide(std::wstring(buffer.data(), n));
}

services::DriveFacts DriveFactsOf(char letter) {
  QuietErrors quiet;
  services::DriveFacts facts;
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  facts.type = ::GetDriveTypeW(root);

  // The first name of the device behind the letter: "\Device\HarddiskVolume5" for a volume,
  // "\??\C:\data" for a letter that subst made of a folder.
  const wchar_t name[] = {static_cast<wchar_t>(letter), L':', L'\0'};
  std::vector<wchar_t> device(32768, L'\0');
  if (::QueryDosDeviceW(name, device.data(), static_cast<DWORD>(device.size())) != 0) {
    facts.device = platform::FromWide(device.data());
  }

  // The volume opened with no access rights and shared both ways: the bus query needs no more,
  // so it works without administrator rights and on XP, and it disturbs nothing on the drive.
  const wchar_t volumePath[] = {L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(letter), L':', L'\0'};
  platform::UniqueFile volume(
      ::CreateFileW(volumePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!volume) return facts;  // no such volume: the drive type alone decides
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  // The descriptor's fixed part and the strings after it; only the bus is read.
  union {
    STORAGE_DEVICE_DESCRIPTOR descriptor;
    BYTE bytes[1024];
  } answer{};
  DWORD got = 0;
  if (!::DeviceIoControl(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer, sizeof answer,
                         &got, nullptr)) {
    return facts;  // the system refuses the question: the drive type alone decides
  }
  if (got < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof answer.descriptor.BusType) return facts;
  facts.bus = static_cast<std::uint32_t>(answer.descriptor.BusType);
  return facts;
}

bool RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists) {
  const std::optional<std::string> ansiFrom = platform::ToAnsiExactly(from);
  const std::optional<std::string> ansiTo = platform::ToAnsiExactly(to);
  if (!ansiFrom || !ansiTo) return false;
  QuietErrors quiet;
  const DWORD flags = ifExists == services::IfTargetExists::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
  return ::MoveFileExA(ansiFrom->c_str(), ansiTo->c_str(), flags) != 0;
}

bool RemoveFile(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  if (::DeleteFileA(ansi->c_str())) return true;
  // A read-only file is removed too, and left read-only where it still cannot be removed.
  const DWORD attributes = FileAttributes(*ansi);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
      !::SetFileAttributesA(ansi->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  if (::DeleteFileA(ansi->c_str())) return true;
  ::SetFileAttributesA(ansi->c_str(), attributes);
  return false;
}

bool MarkLeftover(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  const DWORD attributes = FileAttributes(*ansi);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return ::SetFileAttributesA(ansi->c_str(), (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_TEMPORARY) != 0;
}

bool IsLeftover(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  const DWORD attributes = FileAttributes(*ansi);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_TEMPORARY);
}

}  // namespace steps
