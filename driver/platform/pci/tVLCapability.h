// A record of the bridge's capability list as an object that can find
// itself (by its id) and read its own data. A capability remembers where it
// was last read, so that the next search goes on after that record.
#ifndef VL9738K_PLATFORM_PCI_TVLCAPABILITY_H
#define VL9738K_PLATFORM_PCI_TVLCAPABILITY_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

template <typename tWexel>
class tVLCapability {
 public:
  virtual ~tVLCapability() = default;
  virtual uint16_t getID() const = 0;
  // Fills the object from the record at `offset`; nothing on an error.
  virtual void readCapability(tWexel& accessor, uint32_t offset, nVLAPALS100::tStatus& status) = 0;

  // The record last read, 0 before the first read.
  uint32_t getOffset() const { return offset_; }

 protected:
  uint32_t offset_ = 0;
};

// The board's 64-bit serial number: the low word first, then the high.
template <typename tWexel>
class tSerialNumber : public tVLCapability<tWexel> {
 public:
  static constexpr uint16_t kID = 4;

  uint16_t getID() const override { return kID; }
  void readCapability(tWexel& accessor, uint32_t offset, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    const uint32_t low = accessor.read32(offset + 4, status);
    const uint32_t high = accessor.read32(offset + 8, status);
    if (status.isFatal()) return;
    serialNumber_ = uint64_t{high} << 32 | low;
    this->offset_ = offset;
  }

  uint64_t getSerialNumber() const { return serialNumber_; }

 private:
  uint64_t serialNumber_ = 0;
};

}  // namespace nVLAPAL000

#endif
