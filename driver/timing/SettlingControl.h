// One settling timer of an engine's timer block together with the block's
// PLL counter: loads the settling time the RF primitives compute, switches
// the PLL-counter check on or off, says whether both report settled and,
// while a list for the engine is being compiled, records the wait for
// settling into that list instead of waiting.
//
// Both maps belong to the engine's timer map; the control only holds them.
// The control register is shadowed: a setter changes the shadow and writes
// the register only when the value changed (or markDirty came first).
#ifndef VL9738K_TIMING_SETTLINGCONTROL_H
#define VL9738K_TIMING_SETTLINGCONTROL_H

#include <stdint.h>

#include "driver/listmode/snooping/PollerWithRedirection.h"
#include "driver/regmaps/timing/tQRTPLLCounterRegisters.h"
#include "driver/regmaps/timing/tQRTSettlingTimerRegisters.h"
#include "driver/rf/settling/iSettlingControl.h"

namespace qrtifwprim {

class SettlingControl : public cbak::iSettlingControl {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tSettlingTimerMap = nQRTSettlingTimerRegisters::tQRTSettlingTimerRegisters;
  using tPllCounterMap = nQRTPLLCounterRegisters::tQRTPLLCounterRegisters;

  // Poll period of the direct PLL wait, in microseconds.
  static constexpr uint64_t kPollPeriodUs = 10;

  // Restarts the timer and loads the control word with `initialControl`
  // in its low byte, disabled and without a timer field.
  SettlingControl(tSettlingTimerMap* settlingTimer, tPllCounterMap* pllCounter, uint8_t initialControl,
                  uint8_t subsystem, RegisterPoller::PollerStore* pollerStore, tStatus& status);
  virtual ~SettlingControl() {}
  SettlingControl(const SettlingControl&) = delete;
  SettlingControl& operator=(const SettlingControl&) = delete;

  virtual void setTimerField(uint8_t value, tStatus& status);
  virtual void clearTimerField(tStatus& status);
  void writeSettlingTime(uint32_t time, tStatus& status) override;
  bool isSettled(tStatus& status) override;
  virtual void setEnable(bool enable, tStatus& status);
  // A count of 0 loads 1: the counter needs at least one lock to report.
  virtual void writePllCount(uint32_t count, tStatus& status);
  // Whether a list for this engine is being compiled, so that
  // waitUntilSettled can record its wait.
  virtual bool isAvailable(tStatus& status);
  // Records the wait for settling into the list being compiled; -52002
  // when none is. Should the list go away between the two waits, the PLL
  // counter is polled directly under the settling ceiling: `timeoutCode`
  // reports running out of `timeoutUs`, -52022 the gate closing.
  virtual void waitUntilSettled(uint32_t timeoutUs, int32_t timeoutCode, const cbak::SettlingGate& gate,
                                tStatus& status);
  virtual void markDirty(tStatus& status);

  bool handlesWaits() override;
  void takeOverWait(uint32_t timeoutUs, int64_t failureCode, const cbak::SettlingGate& gate, tStatus& status) override;

  bool isPllCountEnabled() const { return pllCountEnabled_; }

 private:
  listmodek::iListInstructionInserter* inserter(tStatus& status);
  // One announced bit wait on `read`'s register, cleared also after a failure.
  template <typename tRead>
  void recordWait(listmodek::iListInstructionInserter& inserter, uint32_t timeoutUs, tRead&& read, tStatus& status);
  void pollPllSettled(uint32_t timeoutUs, int32_t timeoutCode, const cbak::SettlingGate& gate, tStatus& status);

  tSettlingTimerMap* settlingTimer_;
  tPllCounterMap* pllCounter_;
  uint8_t initialControl_;
  uint8_t subsystem_;
  RegisterPoller::PollerStore* pollerStore_;
  bool pllCountEnabled_ = false;
};

}  // namespace qrtifwprim

#endif
