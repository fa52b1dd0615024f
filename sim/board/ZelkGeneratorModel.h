#ifndef VL9738K_SIM_BOARD_ZELK_GENERATOR_MODEL_H
#define VL9738K_SIM_BOARD_ZELK_GENERATOR_MODEL_H

#include "DoneFlag.h"
#include "InstructionBlockModel.h"

namespace sim {

// The trigger-clock generator with its coarse-adjustment done flag
// (register 5), started by a write of 1 to register 4.
class ZelkGeneratorModel : public InstructionBlockModel {
 public:
  static constexpr uint32_t kAdjustStart = 4;
  static constexpr uint32_t kAdjustDone = 5;

  ZelkGeneratorModel();

  DoneFlag& done() { return done_; }

 protected:
  uint64_t onRead(uint32_t address, uint64_t stored) override;
  void onWrite(uint32_t address, uint64_t value) override;

 private:
  DoneFlag done_;
};

}  // namespace sim

#endif
