#include "PciWindowWords.h"

#include "driver/platform/pci/PciConfig.h"

namespace nVL9738K_24_0 {
namespace {

constexpr uint32_t kFirstBarRegister = 0x10;
constexpr uint32_t kIoSpace = 0x1;
constexpr uint32_t kMemoryTypeMask = 0x6;
constexpr uint32_t kMemoryType64 = 0x4;
constexpr uint32_t kIoFlagBits = 0x3;
constexpr uint32_t kMemoryFlagBits = 0xF;

}  // namespace

void recordPciWindowWords(const nVLZUK_tPCIDeviceDescription& description, nVLAPAL000::tPCIInformation& information,
                          nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  constexpr size_t kCount = nVLAPAL000::tPCIInformation::kWindowCount;
  for (size_t i = 0; i < kCount; ++i) information.rawWindows[i] = {0, 0};
  for (size_t i = 0; i < kCount && status.isNotFatal(); ++i) {
    const nVLZUK_tPCIResourceWindow& window = description.windows[i];
    // A window the kernel layer did not assign stays empty.
    if (window.size == 0) continue;
    const auto offset = static_cast<uint32_t>(kFirstBarRegister + 4 * i);
    const uint32_t value = nVLAPAL000::readConfig32(description.deviceHandle, offset, status);
    const uint64_t addressBits = ~(window.size - 1);
    const bool io = (value & kIoSpace) != 0;
    // The flag bits read back unchanged through a sizing write.
    const uint32_t flagBits = io ? kIoFlagBits : kMemoryFlagBits;
    information.rawWindows[i] = {value, (static_cast<uint32_t>(addressBits) & ~flagBits) | (value & flagBits)};
    if (!io && (value & kMemoryTypeMask) == kMemoryType64 && i + 1 < kCount) {
      ++i;
      const uint32_t upper = nVLAPAL000::readConfig32(description.deviceHandle, offset + 4, status);
      information.rawWindows[i] = {upper, static_cast<uint32_t>(addressBits >> 32)};
    }
  }
  if (status.isFatal()) {
    for (size_t i = 0; i < kCount; ++i) information.rawWindows[i] = {0, 0};
  }
}

}  // namespace nVL9738K_24_0
