// Register bytes as values: registers are little-endian, like the host the
// models run on. A register access is 1, 2, 4 or 8 bytes wide; each width
// is one load or store of its own size (a copy of a run-time length costs
// a call per access, and the models make millions of them).
#ifndef VL9738K_SIM_BOARD_LITTLE_ENDIAN_H
#define VL9738K_SIM_BOARD_LITTLE_ENDIAN_H

#include <cstdint>
#include <cstring>

namespace sim {

inline uint64_t loadLittle(const uint8_t* at, unsigned width) {
  switch (width) {
    case 1:
      return *at;
    case 2: {
      uint16_t value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
    case 4: {
      uint32_t value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
    default: {
      uint64_t value = 0;
      std::memcpy(&value, at, width < sizeof value ? width : sizeof value);
      return value;
    }
  }
}

inline void storeLittle(uint8_t* at, unsigned width, uint64_t value) {
  switch (width) {
    case 1:
      *at = static_cast<uint8_t>(value);
      return;
    case 2: {
      const auto narrow = static_cast<uint16_t>(value);
      std::memcpy(at, &narrow, sizeof narrow);
      return;
    }
    case 4: {
      const auto narrow = static_cast<uint32_t>(value);
      std::memcpy(at, &narrow, sizeof narrow);
      return;
    }
    default:
      std::memcpy(at, &value, width < sizeof value ? width : sizeof value);
      return;
  }
}

}  // namespace sim

#endif
