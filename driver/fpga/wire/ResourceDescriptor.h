// What a personality says about one of its resources: its kind (1 for a
// FIFO), its direction and an opaque type record that the driver carries
// but does not interpret.
#ifndef VL9738K_FPGA_WIRE_RESOURCEDESCRIPTOR_H
#define VL9738K_FPGA_WIRE_RESOURCEDESCRIPTOR_H

#include <stdint.h>

#include "Deserializer.h"
#include "Serializer.h"

namespace vllym {

class Type {
 public:
  virtual ~Type() {}
  virtual void serialize(Serializer& out, nVLAPALS100::tStatus& status) const;
  void deserialize(Deserializer& in, nVLAPALS100::tStatus& status);

  uint8_t kind = 0;
  uint32_t word1 = 0;
  uint32_t word2 = 0;
  uint8_t byte = 0;
  uint32_t word3 = 0;
};

class ResourceDescriptor {
 public:
  static constexpr uint8_t kResourceFifo = 1;

  virtual ~ResourceDescriptor() {}
  virtual void serialize(Serializer& out, nVLAPALS100::tStatus& status) const;
  // A kind other than a FIFO: -52005, after the type has been read.
  void deserialize(Deserializer& in, nVLAPALS100::tStatus& status);

  uint8_t resourceKind = 0;
  uint8_t direction = 0;
  Type type;
};

}  // namespace vllym

#endif
