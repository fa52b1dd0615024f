// The small instruction-framework blocks beside the engines, as register
// files: a timer-event block, a power-regulation block, and the
// trigger-clock generator, sync-pulse generator and trigger synchronizer.
// Each stores what is written and answers reads with what it holds; a test
// sets the read-only values. All registers are 64 bits wide but for the
// generator's 32-bit coarse adjustment value (register 3).
#ifndef VL9738K_SIM_BOARD_PRIMITIVE_BLOCK_MODEL_H
#define VL9738K_SIM_BOARD_PRIMITIVE_BLOCK_MODEL_H

#include "InstructionBlockModel.h"

namespace sim {

class PrimitiveBlockModel : public InstructionBlockModel {
 public:
  enum class Block { kTimerEvent, kPowerRegulation, kZelkGenerator, kSyncPulseGenerator, kTriggerSynchronizer };

  explicit PrimitiveBlockModel(Block block);
};

}  // namespace sim

#endif
