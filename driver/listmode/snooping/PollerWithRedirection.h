// The poll side of register-read redirection: engine controls fetch a
// poller by subsystem; while it holds an inserter their polls become
// announced bit waits of the list, else they poll the hardware.
#ifndef VL9738K_LISTMODE_SNOOPING_POLLERWITHREDIRECTION_H
#define VL9738K_LISTMODE_SNOOPING_POLLERWITHREDIRECTION_H

#include "driver/listmode/iListSnoopingListener.h"

namespace RegisterPoller {

class PollerWithRedirection : public listmodek::iListSnoopingListener {
 public:
  void onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, tStatus& status) override {
    if (status.isNotFatal()) inserter_ = inserter;
  }
  void onStopCommitSnooping(tStatus&) override { inserter_ = nullptr; }
  listmodek::iListInstructionInserter* getInserter() const { return inserter_; }

 private:
  listmodek::iListInstructionInserter* inserter_ = nullptr;
};

// The poller of each subsystem number; a subsystem without one gets the
// fallback, which no session ever attaches, so its polls always reach
// the hardware.
class PollerStore {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~PollerStore() {}
  virtual PollerWithRedirection* getPoller(uint8_t subsystem, tStatus& status) {
    if (status.isFatal()) return nullptr;
    return pollers_[subsystem] != nullptr ? pollers_[subsystem] : &fallback_;
  }
  void setPoller(uint8_t subsystem, PollerWithRedirection* poller, tStatus& status) {
    if (status.isNotFatal()) pollers_[subsystem] = poller;
  }

 private:
  PollerWithRedirection* pollers_[256] = {};
  PollerWithRedirection fallback_;
};

}  // namespace RegisterPoller

#endif
