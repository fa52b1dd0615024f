// Appends little-endian (or, with swapBytes, big-endian) values to a byte
// vector, one byte at a time. A byte the vector cannot take sets -52000 and
// the next byte is still tried. A value wider than a byte is written only
// when the status holds no error when it starts; a single byte is appended
// whatever the status holds.
#ifndef VL9738K_RF_WIRE_TDATA_WRITER_H
#define VL9738K_RF_WIRE_TDATA_WRITER_H

#include <stdint.h>

#include "../../platform/containers/tVector.h"
#include "../../platform/status/tStatus.h"

namespace vl9738settings {

class tDataWriter {
 public:
  explicit tDataWriter(nVLAPAL000::tVector<uint8_t>& output, bool swapBytes = false)
      : output_(output), swapBytes_(swapBytes) {}

  void writeU8(uint8_t value, nVLAPALS100::tStatus& status) { write(value, 1, status); }
  void writeU16(uint16_t value, nVLAPALS100::tStatus& status) { write(value, 2, status); }
  void writeU32(uint32_t value, nVLAPALS100::tStatus& status) { write(value, 4, status); }
  void writeU64(uint64_t value, nVLAPALS100::tStatus& status) { write(value, 8, status); }

 private:
  void write(uint64_t value, uint32_t width, nVLAPALS100::tStatus& status);

  nVLAPAL000::tVector<uint8_t>& output_;
  bool swapBytes_;
};

}  // namespace vl9738settings

#endif
