// The board's PXI geographic address (its chassis slot). The record names
// a register and how to read it: its address space (0 none, 1 an offset in
// BAR 0, 4 an address behind the bridge's window), the access width and
// the shift that brings the slot's five bits down.
#ifndef VL9738K_PLATFORM_PCI_TGEOGRAPHICADDRESS_H
#define VL9738K_PLATFORM_PCI_TGEOGRAPHICADDRESS_H

#include <stdint.h>

#include "tVLCapability.h"

namespace nVLAPAL000 {

template <typename tWexel>
class tGeographicAddress : public tVLCapability<tWexel> {
 public:
  static constexpr uint16_t kID = 0x4741;
  static constexpr uint32_t kSpaceNone = 0;
  static constexpr uint32_t kSpaceDirect = 1;
  static constexpr uint32_t kSpaceWindowed = 4;

  uint16_t getID() const override { return kID; }

  // However the register was reached, the window is enabled again after,
  // so the walk that found this record can go on through it.
  void readCapability(tWexel& accessor, uint32_t offset, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    const uint32_t address = accessor.read32(offset + 4, status);
    const uint32_t descriptor = accessor.read32(offset + 8, status);
    if (status.isFatal()) return;
    const uint32_t space = descriptor & 0xF;
    if (space == kSpaceNone) {
      this->offset_ = offset;
      return;
    }
    if (space != kSpaceDirect && space != kSpaceWindowed) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    if (space == kSpaceDirect) {
      accessor.useDirectAccess();
    } else {
      accessor.enableWindow();
    }
    const uint32_t value = readRegister(accessor, address, (descriptor >> 8) & 7, status);
    accessor.enableWindow();
    if (status.isFatal()) return;
    slot_ = (value >> ((descriptor >> 16) & 31)) & 0x1F;
    this->offset_ = offset;
  }

  uint32_t getSlot() const { return slot_; }

 private:
  static uint32_t readRegister(tWexel& accessor, uint32_t address, uint32_t width, nVLAPALS100::tStatus& status) {
    if (width == 1) return accessor.read8(address, status);
    if (width == 2) return accessor.read16(address, status);
    return accessor.read32(address, status);
  }

  uint32_t slot_ = 0;
};

}  // namespace nVLAPAL000

#endif
