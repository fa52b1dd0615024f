// One subsystem of the FPGA's instruction framework as the register port
// model executes instructions against it. A subsystem answers a read or a
// write at a 32-bit address (what the port carries) with a result, or
// fails it with an error value that the port reports in its result
// registers (1: generic failure; negative: a status code of the block).
//
// Timing engines, list engines and routing matrices join the board as
// further subsystem models attached to the register port model under
// their subsystem numbers; the blocks they hold are announced in the
// subsystem map (subsystem 0) under the same number.
#ifndef VL9738K_SIM_BOARD_SUBSYSTEM_MODEL_H
#define VL9738K_SIM_BOARD_SUBSYSTEM_MODEL_H

#include <cstdint>

namespace sim {

class SubsystemModel {
 public:
  struct Result {
    bool ok;
    uint64_t value;
    bool wide;  // the value has 64 bits
    uint32_t errorValue;
    // The block never answers: the port holds the instruction and stalls.
    bool unanswered = false;

    static Result success(uint64_t value = 0, bool wide = false) { return Result{true, value, wide, 0}; }
    static Result failure(uint32_t errorValue) { return Result{false, 0, false, errorValue}; }
    static Result neverAnswered() { return Result{false, 0, false, 0, true}; }
  };

  // Error values a model may report.
  static constexpr uint32_t kGenericFailure = 1;
  static constexpr uint32_t kNoSuchRegister = 2;

  virtual ~SubsystemModel() = default;
  virtual Result read(uint32_t address) = 0;
  virtual Result write(uint32_t address, uint64_t data) = 0;
  // The port was reset.
  virtual void reset() {}
};

}  // namespace sim

#endif
