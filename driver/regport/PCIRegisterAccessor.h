// The register port's own way to its block: plain 32-bit register calls at
// byte offsets into the block's mapped window. The port's register map
// reaches the hardware only through this accessor.
#ifndef VL9738K_REGPORT_PCIREGISTERACCESSOR_H
#define VL9738K_REGPORT_PCIREGISTERACCESSOR_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vlregport {

class PCIRegisterAccessor {
 public:
  // `mappedBase` is the kernel-virtual address of the window; the accessor
  // owns nothing.
  PCIRegisterAccessor(uint64_t mappedBase, uint64_t windowSize) : mappedBase_(mappedBase), windowSize_(windowSize) {}
  PCIRegisterAccessor(const PCIRegisterAccessor&) = delete;
  PCIRegisterAccessor& operator=(const PCIRegisterAccessor&) = delete;

  // 0 without a bus access when the status already holds an error.
  virtual uint32_t read32(uint64_t offset, nVLAPALS100::tStatus& status);
  virtual void write32(uint64_t offset, uint32_t value, nVLAPALS100::tStatus& status);
  virtual ~PCIRegisterAccessor();

  uint64_t getMappedBase() const { return mappedBase_; }
  uint64_t getWindowSize() const { return windowSize_; }

 private:
  uint64_t mappedBase_;
  uint64_t windowSize_;
};

}  // namespace vlregport

#endif
