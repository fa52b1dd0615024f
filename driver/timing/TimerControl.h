// One timer-event block: two fixed-point times, an option bit and three
// commands. Settings are kept until a command programs them; the block
// clears its command bits itself once they are written.
#ifndef VL9738K_TIMING_TIMERCONTROL_H
#define VL9738K_TIMING_TIMERCONTROL_H

#include <stdint.h>

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/platform/text/FixedPointNumber.h"
#include "driver/regmaps/timing/tQRTTimerEventRegisters.h"

namespace qrtifwprim {

struct TimerSettings {
  vlfxptype::Number firstTime;
  vlfxptype::Number secondTime;
  uint8_t armPair;
  uint8_t strobeOnStart;
  uint8_t optionBit;
};

class TimerControl {
 public:
  using tMap = nQRTTimerEventRegisters::tQRTTimerEventRegisters;
  using tStatus = nVLAPALS100::tStatus;

  enum Command : int32_t {
    // Programs the option and both times, then starts when asked to.
    kProgram = 1,
    // Arms the pair of commands 0 and 1 together, when enabled.
    kArmPair = 2,
    kCommand2 = 3,
  };

  // Builds its own binding of `target` to `context` (writes wait for
  // completion) and the block's map over it; writes nothing.
  TimerControl(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~TimerControl();
  TimerControl(const TimerControl&) = delete;
  TimerControl& operator=(const TimerControl&) = delete;

  virtual void getCapabilityFlag(uint8_t& out) { out = 1; }
  // Kept for the next command; nothing is written.
  virtual void setTimerSettings(const TimerSettings& settings);
  virtual void executeTimerCommand(int32_t command, tStatus& status);
  // Both times go out again with the next programming, changed or not.
  virtual void markTimerRegistersDirty(tStatus& status);

  tMap* getRegisters() const { return registers_; }

 private:
  vlifw::InstructionTargetMXRM* target_ = nullptr;
  tMap* registers_ = nullptr;
  vlfxptype::Number firstTime_{};
  vlfxptype::Number secondTime_{};
  uint8_t strobeOnStart_ = 0;
  uint8_t armPair_ = 0;
  uint8_t optionBit_ = 0;
};

}  // namespace qrtifwprim

#endif
