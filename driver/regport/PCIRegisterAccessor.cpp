#include "PCIRegisterAccessor.h"

#include "driver/platform/zuk/ZukRegisters.h"

namespace vlregport {

// Offsets come from the port's register map, which only knows the block's
// thirteen registers, so they are not checked against the window here.
uint32_t PCIRegisterAccessor::read32(uint64_t offset, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  return nVLZUK100_memoryRead32(reinterpret_cast<const volatile void*>(mappedBase_ + offset));
}

void PCIRegisterAccessor::write32(uint64_t offset, uint32_t value, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  nVLZUK100_memoryWrite32(reinterpret_cast<volatile void*>(mappedBase_ + offset), value);
}

PCIRegisterAccessor::~PCIRegisterAccessor() {}

}  // namespace vlregport
