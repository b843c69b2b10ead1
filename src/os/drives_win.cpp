// What a drive is, asked of the system without a dialog for a drive that has gone.
#include "os/drives_win.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <vector>

#include "os/quiet_errors_win.h"
#include "platform/handle_win.h"
#include "platform/text_win.h"

namespace os {
namespace {

// system_services.h states Windows' numbers itself, from Windows' own winbase.h and winioctl.h (a
// platform-free file takes no Windows header). Here they meet mingw-w64's headers where those
// name them: built for XP, they hide the buses that came with Vista (SD 12, MMC 13), and for
// those system_services.h's numbers stand alone.
static_assert(services::DriveNoRootDir == DRIVE_NO_ROOT_DIR && services::DriveRemovable == DRIVE_REMOVABLE &&
                  services::DriveRemote == DRIVE_REMOTE && services::DriveCdRom == DRIVE_CDROM &&
                  services::DriveRamDisk == DRIVE_RAMDISK,
              "system_services.h's drive types are GetDriveType's");
static_assert(services::BusScsi == BusTypeScsi && services::BusUsb == BusTypeUsb,
              "system_services.h's buses are STORAGE_BUS_TYPE's");

}  // namespace

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

}  // namespace os
