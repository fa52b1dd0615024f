// The snooping of one FPGA subsystem: the snooper that records its
// instruction stream, the listener that turns the manager's stream to it,
// and the register-map snoopers registered for the subsystem.
#ifndef VL9738K_LISTMODE_SNOOPING_SUBSYSTEMSNOOPER_H
#define VL9738K_LISTMODE_SNOOPING_SUBSYSTEMSNOOPER_H

#include "RegMapSnooper.h"
#include "SnoopingListenerForInstructionTarget.h"
#include "driver/listmode/Session.h"
#include "driver/platform/containers/SharedPtr.h"
#include "driver/platform/containers/Vector.h"

namespace SnoopingManager::internal {

class SubsystemSnooper {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tListener = vlhtl::SharedPtr<listmodek::iListSnoopingListener>;

  SubsystemSnooper(nVL9738K_24_0::InstructionTargetWithRedirection* redirector, uint8_t number)
      : redirector_(redirector), listener_(&snooper_, redirector, number) {}
  SubsystemSnooper(const SubsystemSnooper&) = delete;
  SubsystemSnooper& operator=(const SubsystemSnooper&) = delete;

  template <typename T>
  tListener addSnoopableRegMap(T& map, const vlifw::ContextInterface& context, uint32_t base, uint32_t shift,
                               WrittenRegisters* recorded, tStatus& status) {
    if (status.isFatal()) return {};
    tListener listener(new (status, nVLAPAL000::kAllocationKindPlain)
                           RegMapSnooper<T>(&map, redirector_, &context, base, shift, recorded),
                       status);
    if (!listener) return {};
    snoopers_.push_back(listener, status);
    return status.isFatal() ? tListener{} : listener;
  }
  // The instruction-target listener first, then the maps in registration
  // order: a map's accesses must find the stream already redirected.
  void addListenersToSession(listmodek::Session& session, tStatus& status) {
    session.addSnoopingListener(&listener_, status);
    for (const tListener& snooper : snoopers_) session.addSnoopingListener(snooper.get(), status);
  }
  void removeListener(const tListener& listener) {
    for (uint64_t i = 0; i < snoopers_.size(); ++i) {
      if (snoopers_[i].get() == listener.get()) {
        snoopers_.erase(&snoopers_[i], &snoopers_[i] + 1);
        return;
      }
    }
  }

  // Every snooper here is a map's: the states of those of `map`.
  template <typename tVisit>
  void visitMapSnoopers(const void* map, tVisit visit) const {
    for (const tListener& snooper : snoopers_) {
      const auto* state = static_cast<const MapSnooperState*>(snooper.get());
      if (state->snoopedMap() == map) visit(*state);
    }
  }

  // Every map's registers that recordings on this subsystem wrote are
  // marked dirty, their run flags changed as `run` says; answers their
  // groups.
  uint32_t markRecordedDirty(RunBits run) {
    uint32_t groups = 0;
    for (const tListener& snooper : snoopers_)
      groups |= static_cast<MapSnooperState*>(snooper.get())->markRecordedDirty(run);
    return groups;
  }

  nVL9738K_24_0::InstructionTargetSnooper* getSnooper() { return &snooper_; }
  uint64_t registrations() const { return snoopers_.size(); }

 private:
  nVL9738K_24_0::InstructionTargetWithRedirection* redirector_;
  nVL9738K_24_0::InstructionTargetSnooper snooper_;
  nVL9738K_24_0::SnoopingListenerForInstructionTarget listener_;
  vlhtl::Vector<tListener> snoopers_;
};

}  // namespace SnoopingManager::internal

#endif
