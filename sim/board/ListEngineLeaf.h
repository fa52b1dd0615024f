// A list engine as the FPGA places it in its subsystem tree: a leaf (UID
// 2404, or 110 on designs that number it so) under its timing engine's
// block, in the timing engine's subsystem, at the engine model's offset.
// The subsystem's instructions reach the engine model; the timing engine's
// block has no registers of its own here.
#ifndef VL9738K_SIM_BOARD_LIST_ENGINE_LEAF_H
#define VL9738K_SIM_BOARD_LIST_ENGINE_LEAF_H

#include <cstdint>

#include "ListEngineModel.h"
#include "RegisterPortModel.h"

namespace sim {

struct ListEngineLeaf {
  static constexpr uint16_t kGenerationEngineUid = 2400;
  static constexpr uint16_t kAcquisitionEngineUid = 2401;
  static constexpr uint16_t kListEngineUid = 2404;
  static constexpr uint16_t kListEngineUidAlternate = 110;

  uint8_t subsystem;
  uint16_t parentUid = kGenerationEngineUid;
  uint16_t uid = kListEngineUid;
  uint8_t instance = 0;
  uint16_t version = 1;

  // Announces the leaf in the port's subsystem map and attaches `engine`
  // as the subsystem; `engine` must outlive the attachment.
  void place(RegisterPortModel& port, ListEngineModel& engine) const;
};

}  // namespace sim

#endif
