// Register instructions and what executes them. The FPGA's blocks are not
// mapped one by one: each belongs to a numbered subsystem, and the driver
// reaches a register of a block by handing an instruction {subsystem,
// address[, data]} to an instruction target (the register port, or during
// a list-mode commit a target that records instead of executing).
#ifndef VL9738K_IFW_INSTRUCTIONTARGET_H
#define VL9738K_IFW_INSTRUCTIONTARGET_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vlifw {

// Only the low 8 bits of the subsystem are meaningful.
struct ReadInstruction {
  uint32_t subsystem;
  uint64_t address;
};

struct WriteInstruction {
  uint32_t subsystem;
  uint64_t address;
  uint64_t data;
};

static_assert(sizeof(ReadInstruction) == 16, "a read instruction is 16 bytes");
static_assert(sizeof(WriteInstruction) == 24, "a write instruction is 24 bytes");

// What a caller without a time budget of its own passes.
inline constexpr uint32_t kDefaultInstructionTimeoutMs = 1000;

// Timeouts are in milliseconds; a value that is negative as a signed 32-bit
// number waits without limit.
class InstructionTarget {
 public:
  virtual ~InstructionTarget() {}

  // *value receives the result only when the instruction succeeded.
  virtual void read(const ReadInstruction& instruction, uint64_t* value, nVLAPALS100::tStatus& status,
                    uint32_t timeoutMs) = 0;
  virtual void readMany(const ReadInstruction* list, uint64_t count, uint64_t* values, nVLAPALS100::tStatus& status,
                        uint32_t timeoutMs) = 0;
  // Without wait the call returns once the instruction is handed over.
  virtual void write(const WriteInstruction& instruction, bool wait, nVLAPALS100::tStatus& status,
                     uint32_t timeoutMs) = 0;
  // Only the last instruction of the batch is waited for (when wait is set):
  // the others are pipelined behind one another.
  virtual void writeMany(const WriteInstruction* list, uint64_t count, bool wait, nVLAPALS100::tStatus& status,
                         uint32_t timeoutMs) = 0;
  // Brings the target back into a working state after a failure.
  virtual void flush(nVLAPALS100::tStatus& status) = 0;
  // The subsystem whose list the writes go into instead of the hardware
  // (a list-mode commit being recorded), or -1 when they reach the
  // hardware.
  virtual int32_t recordingSubsystem() const { return -1; }
};

}  // namespace vlifw

#endif
