// Reads the bridge chip's capability space, the flash-backed address space
// behind the bridge's paged window 0, through BAR 0 of a PCI device. The
// window base register (0xC0) places and sizes the window inside BAR 0;
// the window select register (0xE0) holds the part of an address above the
// window's size. Both are shared hardware state: whoever changes them for a
// walk restores them afterwards.
//
// Construction finds where the capability list starts: the word at the
// pointer offset names the list's select flag, whose bit 0 picks one of two
// list starts.
#ifndef VL9738K_PLATFORM_PCI_TVLCAPABILITYWEXELACCESSOR_H
#define VL9738K_PLATFORM_PCI_TVLCAPABILITYWEXELACCESSOR_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tPCIDevice;

class tVLCapabilityWexelAccessor {
 public:
  static constexpr uint32_t kWindowControl = 0xC0;
  static constexpr uint32_t kWindowSelect = 0xE0;
  static constexpr uint32_t kWindowEnable = 0x80;
  static constexpr uint32_t kAccessModeDirect = 1;
  static constexpr uint32_t kAccessModeWindowed = 4;
  static constexpr uint32_t kPointerOffset = 0x0C;
  static constexpr uint32_t kListStart = 0x10;
  static constexpr uint32_t kAlternateListStart = 0x14;

  // -52002 when the device has no capability list.
  tVLCapabilityWexelAccessor(tPCIDevice* device, nVLAPALS100::tStatus& status, uint32_t pointerOffset = kPointerOffset,
                             uint32_t listStart = kListStart, uint32_t alternateListStart = kAlternateListStart);
  ~tVLCapabilityWexelAccessor();
  tVLCapabilityWexelAccessor(const tVLCapabilityWexelAccessor&) = delete;
  tVLCapabilityWexelAccessor& operator=(const tVLCapabilityWexelAccessor&) = delete;

  // Reads at `offset` of the capability space (windowed mode) or of BAR 0
  // (direct mode). An access that would leave BAR 0 is refused with -52005
  // and reads as 0: the offsets come from flash.
  uint32_t read32(uint32_t offset, nVLAPALS100::tStatus& status);
  uint16_t read16(uint32_t offset, nVLAPALS100::tStatus& status);
  uint8_t read8(uint32_t offset, nVLAPALS100::tStatus& status);

  // Keeps the window registers as they are now, to give them back later.
  void saveWindow();
  // Takes the window's place and size from its base register, enables it
  // and brings the select register in line with the cached select.
  void enableWindow();
  // Reads BAR 0 itself from now on.
  void useDirectAccess();
  // Gives back the saved window registers.
  void restoreWindow();

  uint32_t getListStart() const { return listStart_; }
  uint32_t getAccessMode() const { return accessMode_; }

 private:
  uint32_t readRegister(uint32_t offset);
  void writeRegister(uint32_t offset, uint32_t value);
  const volatile uint8_t* locate(uint32_t offset, unsigned width, nVLAPALS100::tStatus& status);
  void findListStart(uint32_t pointerOffset, uint32_t listStart, uint32_t alternateListStart,
                     nVLAPALS100::tStatus& status);

  tPCIDevice* device_;
  void* mapping_;
  uint8_t* base_;
  uint64_t size_;
  uint32_t accessMode_;
  uint32_t savedControl_;
  uint32_t savedSelect_;
  uint32_t windowOffset_;
  uint32_t currentSelect_;
  uint32_t windowMask_;
  uint32_t listStart_;
};

}  // namespace nVLAPAL000

#endif
