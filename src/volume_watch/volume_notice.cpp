// Unit-mask decoding and the notice decision.
#include "volume_watch/volume_notice.h"

#include "services/status_sentences.h"

namespace volume_watch {

std::string UnitMaskToLetters(std::uint32_t unitMask) {
  std::string letters;
  for (int i = 0; i <= 30; ++i) {
    if (unitMask & (std::uint32_t{1} << i)) letters += static_cast<char>('A' + i);
  }
  return letters;
}

bool IsVolumeEvent(std::uint32_t message, std::uintptr_t wParam) {
  return message == WmDeviceChange && (wParam == DbtDeviceArrival || wParam == DbtDeviceRemoveComplete);
}

bool IsVolumeRecord(std::uint32_t recordSize, std::uint32_t deviceType) {
  return deviceType == DbtDevtypVolume && recordSize >= VolumeRecordSize;
}

std::optional<VolumeNotice> DecideNotice(std::uint32_t message, std::uintptr_t wParam, std::uint32_t recordSize,
                                         std::uint32_t deviceType, std::uint32_t unitMask) {
  if (!IsVolumeEvent(message, wParam) || !IsVolumeRecord(recordSize, deviceType)) return std::nullopt;
  return VolumeNotice{UnitMaskToLetters(unitMask) + ":",
                      wParam == DbtDeviceArrival ? services::ArrivalSentence : services::RemovalSentence};
}

}  // namespace volume_watch
