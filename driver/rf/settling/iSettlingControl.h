// One settling control of a timing engine, as the settling-timer handler and
// the settling wait use it. The engine resources implement it over the
// engine's settling-timer registers; until they exist the handler holds no
// control. Every operation reports -52002 unless the control overrides it.
#ifndef VL9738K_RF_SETTLING_ISETTLING_CONTROL_H
#define VL9738K_RF_SETTLING_ISETTLING_CONTROL_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "SettlingGate.h"

namespace cbak {

class iSettlingControl {
 public:
  // Writes the engine's settling-time register (in the register's own
  // unit); writes nothing when the status already holds an error.
  virtual void writeSettlingTime(uint32_t value, nVLAPALS100::tStatus& status);
  // Whether the timer has run out since the last settling time was written.
  virtual bool isSettled(nVLAPALS100::tStatus& status);
  // Whether the control takes settling waits over itself (while a list-mode
  // commit is recorded, a wait becomes an instruction, not a poll).
  virtual bool handlesWaits();
  // A wait the control runs itself ends early when `gate` closes.
  virtual void takeOverWait(uint32_t timeoutMicroseconds, int64_t failureCode, const SettlingGate& gate,
                            nVLAPALS100::tStatus& status);

 protected:
  ~iSettlingControl() = default;
};

}  // namespace cbak

#endif
