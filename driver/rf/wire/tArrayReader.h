// A cursor over a byte array, read one byte at a time by tDataReader.
#ifndef VL9738K_RF_WIRE_TARRAY_READER_H
#define VL9738K_RF_WIRE_TARRAY_READER_H

#include <stdint.h>

namespace vl9738settings {

struct tArrayReader {
  const uint8_t* data;
  uint64_t size;
  uint64_t position;  // index of the next byte
};

}  // namespace vl9738settings

#endif
