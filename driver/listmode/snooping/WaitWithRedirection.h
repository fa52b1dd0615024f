// A fixed wait that a recorded list-mode commit turns into a delay
// instruction: while a commit is snooped the wait holds the commit's
// instruction inserter, otherwise none, and the waiter busy-waits on the
// monotonic counter.
#ifndef VL9738K_LISTMODE_SNOOPING_WAIT_WITH_REDIRECTION_H
#define VL9738K_LISTMODE_SNOOPING_WAIT_WITH_REDIRECTION_H

#include <stdint.h>

#include "driver/listmode/iListSnoopingListener.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/time/tTimeout.h"

namespace nVL9738K_24_0 {

class WaitWithRedirection : public listmodek::iListSnoopingListener {
 public:
  void onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, nVLAPALS100::tStatus& status) override {
    if (status.isNotFatal()) inserter_ = inserter;
  }
  void onStopCommitSnooping(nVLAPALS100::tStatus&) override { inserter_ = nullptr; }
  listmodek::iListInstructionInserter* getInserter() const { return inserter_; }

  // Records a delay while a commit is recorded; otherwise spins, since the
  // callers hold the DAC's clock stopped and may not give the processor away.
  void waitMicroseconds(uint32_t microseconds, nVLAPALS100::tStatus& status) const {
    if (inserter_ != nullptr) {
      inserter_->emitDelay(microseconds, status);
      return;
    }
    nVLAPAL000::tTimeWasterSpin::pause<nVLAPAL000::tTimebasePrecise>(uint64_t{microseconds} * 1000);
  }

 private:
  listmodek::iListInstructionInserter* inserter_ = nullptr;
};

}  // namespace nVL9738K_24_0

#endif
