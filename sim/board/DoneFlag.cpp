#include "DoneFlag.h"

#include "sim/kernel/Clock.h"

namespace sim {

bool DoneFlag::read() {
  if (Clock::instance().isVirtual()) Clock::instance().advanceNs(readStepNs_);
  return readsBeforeDone_.has_value() && reads_++ >= *readsBeforeDone_;
}

}  // namespace sim
