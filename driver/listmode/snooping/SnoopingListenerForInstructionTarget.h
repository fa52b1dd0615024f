// Connects a snooper and a redirecting target to a session's commit
// snooping: the start hands the snooper the inserter before the stream is
// turned to it, the stop turns the stream back before the inserter goes.
#ifndef VL9738K_LISTMODE_SNOOPING_SNOOPINGLISTENERFORINSTRUCTIONTARGET_H
#define VL9738K_LISTMODE_SNOOPING_SNOOPINGLISTENERFORINSTRUCTIONTARGET_H

#include "InstructionTargetSnooper.h"
#include "InstructionTargetWithRedirection.h"
#include "driver/listmode/iListSnoopingListener.h"

namespace nVL9738K_24_0 {

class SnoopingListenerForInstructionTarget : public listmodek::iListSnoopingListener {
 public:
  SnoopingListenerForInstructionTarget(InstructionTargetSnooper* snooper, InstructionTargetWithRedirection* redirector,
                                       uint8_t subsystem)
      : snooper_(snooper), redirector_(redirector), subsystem_(subsystem) {}

  void onStartCommitSnooping(listmodek::iListInstructionInserter* inserter, tStatus& status) override {
    if (status.isFatal()) return;
    snooper_->setInserter(inserter);
    redirector_->redirect(snooper_, subsystem_);
  }
  // Restores whatever the status holds: a target left redirected would
  // swallow every later register access of the device.
  void onStopCommitSnooping(tStatus&) override {
    redirector_->redirect(nullptr);
    snooper_->setInserter(nullptr);
  }

 private:
  InstructionTargetSnooper* snooper_;
  InstructionTargetWithRedirection* redirector_;
  uint8_t subsystem_;
};

}  // namespace nVL9738K_24_0

#endif
