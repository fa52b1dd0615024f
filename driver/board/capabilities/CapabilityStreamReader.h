// Reads little-endian words from a byte block. A read that would run past
// the end yields 0, consumes what was left and records the warning
// +52012, so a truncated last record is seen and the walk still ends.
#ifndef VL9738K_BOARD_CAPABILITIES_CAPABILITYSTREAMREADER_H
#define VL9738K_BOARD_CAPABILITIES_CAPABILITYSTREAMREADER_H

#include <stdint.h>

#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

class CapabilityStreamReader {
 public:
  CapabilityStreamReader(const uint8_t* data, uint64_t size) : data_(data), size_(size), position_(0) {}

  uint64_t remaining() const { return size_ - position_; }
  uint64_t position() const { return position_; }
  const uint8_t* current() const { return data_ + position_; }

  uint32_t readU32(nVLAPALS100::tStatus& status) {
    if (remaining() < 4) {
      position_ = size_;
      status.setCode(codes::kWarningReadPastEnd, VL_SITE);
      return 0;
    }
    uint32_t value = 0;
    for (unsigned i = 0; i < 4; ++i) value |= static_cast<uint32_t>(data_[position_ + i]) << (8 * i);
    position_ += 4;
    return value;
  }

  // At most what remains.
  void skip(uint64_t count) { position_ += count < remaining() ? count : remaining(); }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_;
};

}  // namespace nVL9738K_24_0

#endif
