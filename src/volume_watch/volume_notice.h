// Volume notices to drive letters and status sentences, apart from the platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace volume_watch {

inline constexpr std::uint32_t WmDeviceChange = 0x219;
inline constexpr std::uint32_t DbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t DbtDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t DbtDevtypVolume = 2;
// A volume record (DEV_BROADCAST_VOLUME) up to the end of its last field, the flags; the padding
// that the structure's size adds after them need not be there.
inline constexpr std::uint32_t VolumeRecordSize = 18;

// Bit i of the mask gives the character 'A' + i, in rising order, for bits 0 to
// 30 (so bits 26 to 30 give the codes 91 to 95); bit 31 is never examined.
std::string UnitMaskToLetters(std::uint32_t unitMask);

struct VolumeNotice {
  std::string driveBox;  // the letters and one colon
  std::string status;    // the arrival or the removal sentence (services/status_sentences.h)
};

// True for the two messages whose record the watcher reads.
bool IsVolumeEvent(std::uint32_t message, std::uintptr_t wParam);

// True for a record whose header (its size and device type) says that it is a whole volume
// record: only then is its unit mask read. A shorter one holds no unit mask to be trusted.
bool IsVolumeRecord(std::uint32_t recordSize, std::uint32_t deviceType);

// What a message does to the drive box and the status line: nothing, unless it is
// an arrival or removal notice with a volume record. The flags of the notice are not
// looked at: a disc or a network volume counts like a stick.
std::optional<VolumeNotice> DecideNotice(std::uint32_t message, std::uintptr_t wParam, std::uint32_t recordSize,
                                         std::uint32_t deviceType, std::uint32_t unitMask);

}  // namespace volume_watch
