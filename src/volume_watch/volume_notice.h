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

// Bit i of the mask gives the character 'A' + i, in rising order, for bits 0 to
// 30 (so bits 26 to 30 give the codes 91 to 95); bit 31 is never examined.
std::string UnitMaskToLetters(std::uint32_t unitMask);

struct VolumeNotice {
  std::string driveBox;  // the letters and one colon
  std::string status;    // the arrival or the removal sentence (services/status_sentences.h)
};

// True for the two messages whose record the watcher reads.
bool IsVolumeEvent(std::uint32_t message, std::uintptr_t wParam);

// What a message does to the drive box and the status line: nothing, unless it is
// an arrival or removal notice of a volume. The flags of the notice are not
// looked at: a disc or a network volume counts like a stick.
std::optional<VolumeNotice> DecideNotice(std::uint32_t message, std::uintptr_t wParam,
                                         std::uint32_t deviceType, std::uint32_t unitMask);

}  // namespace volume_watch
