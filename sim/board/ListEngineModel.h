// The list engine beside a timing engine, as its subsystem holds it at a
// given offset: nine 64-bit registers (capabilities, status, progress,
// control, list location, two spare read-write words, error count and
// error information).
#ifndef VL9738K_SIM_BOARD_LIST_ENGINE_MODEL_H
#define VL9738K_SIM_BOARD_LIST_ENGINE_MODEL_H

#include <cstdint>

#include "InstructionBlockModel.h"

namespace sim {

class ListEngineModel : public InstructionBlockModel {
 public:
  enum Register : uint32_t {
    kCapabilities = 0,
    kStatus = 1,
    kProgress = 2,
    kControl = 3,
    kListLocation = 4,
    kRegister5 = 5,
    kRegister6 = 6,
    kErrorCount = 7,
    kErrorInfo = 8,
  };

  explicit ListEngineModel(uint32_t offset = 0);

  uint32_t offset() const { return offset_; }
  uint32_t address(Register index) const { return offset_ + index; }

 private:
  uint32_t offset_;
};

}  // namespace sim

#endif
