// The register offsets every personality declares, in wire order: the
// FPGA control register, the reset register, the IRQ block, the signature
// register and the host-memory-buffer block (0xFFFFFFFF: none).
#ifndef VL9738K_FPGA_WIRE_COMMONREGISTERSET_H
#define VL9738K_FPGA_WIRE_COMMONREGISTERSET_H

#include <stdint.h>

#include "Deserializer.h"
#include "Serializer.h"

namespace vllym {

class CommonRegisterSet {
 public:
  static constexpr uint32_t kUnset = 0xFFFFFFFF;

  virtual ~CommonRegisterSet() {}
  virtual void serialize(Serializer& out, nVLAPALS100::tStatus& status) const;
  void deserialize(Deserializer& in, nVLAPALS100::tStatus& status);

  uint32_t controlRegister = kUnset;
  uint32_t resetRegister = kUnset;
  uint32_t irqBase = kUnset;
  uint32_t signatureRegister = kUnset;
  uint32_t hostMemoryBufferBlock = kUnset;
};

}  // namespace vllym

#endif
