// The writer of the session wire format. This driver only reads the
// format: every write reports -63193 (not provided on this board) and
// appends its field's bytes as 0xFF, so the output keeps the record's
// layout but never its values.
#ifndef VL9738K_FPGA_WIRE_SERIALIZER_H
#define VL9738K_FPGA_WIRE_SERIALIZER_H

#include <stdint.h>

#include "driver/platform/containers/Vector.h"
#include "driver/platform/status/tStatus.h"

namespace vllym {

class Serializer {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit Serializer(vlhtl::Vector<uint8_t>& output) : output_(output) {}

  void writeU8(uint8_t value, tStatus& status) { write(&value, 1, status); }
  void writeU32(uint32_t value, tStatus& status);
  void writeI32(int32_t value, tStatus& status) { writeU32(static_cast<uint32_t>(value), status); }

  const vlhtl::Vector<uint8_t>& getOutput() const { return output_; }

 private:
  void write(const uint8_t* bytes, uint64_t size, tStatus& status);

  vlhtl::Vector<uint8_t>& output_;
};

}  // namespace vllym

#endif
