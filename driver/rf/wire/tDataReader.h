// Reads little-endian (or, with swapBytes, big-endian) values from a
// contiguous buffer or through a tArrayReader. Nothing is ever read past
// the end of either: a value that does not fit sets the warning 52012 and
// reads as 0 where its bytes are missing.
//
// The two sources differ where the input runs out. The contiguous buffer
// takes a value whole or not at all. The array reader takes a value byte by
// byte and, once the status holds an error or the warning 52012, takes no
// byte at all: a walk over records that keeps reading after the input ran
// out consumes nothing more and reads zeros, so it ends instead of looping.
#ifndef VL9738K_RF_WIRE_TDATA_READER_H
#define VL9738K_RF_WIRE_TDATA_READER_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "tArrayReader.h"

namespace vl9738settings {

class tDataReader {
 public:
  tDataReader(const uint8_t* data, uint64_t size, bool swapBytes = false);
  explicit tDataReader(tArrayReader& arrayReader, bool swapBytes = false);

  uint8_t readU8(nVLAPALS100::tStatus& status) { return static_cast<uint8_t>(read(1, status)); }
  uint16_t readU16(nVLAPALS100::tStatus& status) { return static_cast<uint16_t>(read(2, status)); }
  uint32_t readU32(nVLAPALS100::tStatus& status) { return static_cast<uint32_t>(read(4, status)); }
  uint64_t readU64(nVLAPALS100::tStatus& status) { return read(8, status); }

  // The bytes not read yet, of whichever source is in use.
  uint64_t remaining() const;
  bool swapBytes() const { return swapBytes_; }

 private:
  uint64_t read(uint32_t width, nVLAPALS100::tStatus& status);
  uint64_t readContiguous(uint32_t width, nVLAPALS100::tStatus& status);
  uint64_t readThroughArray(uint32_t width, nVLAPALS100::tStatus& status);
  uint64_t assemble(const uint8_t* bytes, uint32_t width) const;

  tArrayReader* arrayReader_;
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_;
  bool swapBytes_;
};

}  // namespace vl9738settings

#endif
