// The timing-measurement block under an engine's trigger-clock
// synchronisation: two command registers, a done flag (register 2) that
// rises once a measurement started by a write of 1 to register 1 is
// complete, three results (3 to 5) and four traits registers (6 to 9),
// which a test sets.
#ifndef VL9738K_SIM_BOARD_TIMING_MEASUREMENT_BLOCK_MODEL_H
#define VL9738K_SIM_BOARD_TIMING_MEASUREMENT_BLOCK_MODEL_H

#include "DoneFlag.h"
#include "InstructionBlockModel.h"

namespace sim {

class TimingMeasurementBlockModel : public InstructionBlockModel {
 public:
  static constexpr uint32_t kCommand0 = 0;
  static constexpr uint32_t kCommand1 = 1;
  static constexpr uint32_t kDone = 2;

  TimingMeasurementBlockModel();

  DoneFlag& done() { return done_; }

 protected:
  uint64_t onRead(uint32_t address, uint64_t stored) override;
  void onWrite(uint32_t address, uint64_t value) override;

 private:
  DoneFlag done_;
};

}  // namespace sim

#endif
