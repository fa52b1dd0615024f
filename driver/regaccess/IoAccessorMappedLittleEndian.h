// An I/O accessor over a kernel mapping of a little-endian device window
// (the host is little-endian too, so nothing is swapped). 8-, 16- and
// 32-bit registers go through the kernel layer's register calls; a 64-bit
// register is one plain 8-byte load or store, for which the kernel layer
// has no call.
#ifndef VL9738K_REGACCESS_IOACCESSORMAPPEDLITTLEENDIAN_H
#define VL9738K_REGACCESS_IOACCESSORMAPPEDLITTLEENDIAN_H

#include <stdint.h>

#include "IIoAccessor.h"

namespace vllym {

class IoAccessorMappedLittleEndian : public kernel::IIoAccessor {
 public:
  struct tMapping {
    uint64_t mappedAddress;
    uint64_t size;
  };

  // The accessor does not own the mapping: whoever mapped the window
  // unmaps it after the accessor is gone.
  IoAccessorMappedLittleEndian(uint64_t windowSize, uint64_t busAddress, uint64_t mappedBase, uint8_t flag);
  ~IoAccessorMappedLittleEndian() override {}

  uint64_t read64(uint32_t offset, nVLAPALS100::tStatus& status) override;
  uint32_t read32(uint32_t offset, nVLAPALS100::tStatus& status) override;
  uint16_t read16(uint32_t offset, nVLAPALS100::tStatus& status) override;
  uint8_t read8(uint32_t offset, nVLAPALS100::tStatus& status) override;
  void write64(uint32_t offset, uint64_t value, nVLAPALS100::tStatus& status) override;
  void write32(uint32_t offset, uint32_t value, nVLAPALS100::tStatus& status) override;
  void write16(uint32_t offset, uint16_t value, nVLAPALS100::tStatus& status) override;
  void write8(uint32_t offset, uint8_t value, nVLAPALS100::tStatus& status) override;
  void writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                  nVLAPALS100::tStatus& status) override;
  void readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                 nVLAPALS100::tStatus& status) override;
  uint64_t getSize() override { return windowSize_; }
  uint64_t getBusAddress() override { return busAddress_; }
  uint8_t getFlag() override { return flag_; }

  const tMapping* getMapping() const { return &mapping_; }
  uint64_t getMappedBase() const { return mappedBase_; }

 private:
  // Null (after recording the failure) when the access must not happen.
  volatile uint8_t* single(uint32_t offset, uint32_t width, nVLAPALS100::tStatus& status);
  volatile uint8_t* block(uint32_t offset, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                          nVLAPALS100::tStatus& status);

  uint64_t windowSize_;
  uint64_t busAddress_;
  tMapping mapping_;
  uint64_t mappedBase_;
  uint8_t flag_;
};

}  // namespace vllym

#endif
