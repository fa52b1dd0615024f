// The one instruction target through which every instruction-framework
// access of the device passes. Outside a recorded list-mode commit it
// forwards to the device's own target unchanged; while a commit is
// recorded the stream goes to the session subsystem's snooper, and the
// board maps registered here reach it through contextualizing accessors.
#ifndef VL9738K_LISTMODE_SNOOPING_SNOOPINGMANAGER_H
#define VL9738K_LISTMODE_SNOOPING_SNOOPINGMANAGER_H

#include "SubsystemSnooper.h"
#include "driver/platform/containers/VlhtlMap.h"

namespace SnoopingManager {

class SnoopingManager {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tSubsystem = vlhtl::SharedPtr<internal::SubsystemSnooper>;
  using tListener = internal::SubsystemSnooper::tListener;

  struct SnoopingListenerAndSubsystem {
    tListener listener;
    tSubsystem subsystem;
  };

  // Construction cannot fail; the status is taken as the device calls it.
  SnoopingManager(vlifw::InstructionTarget* deviceTarget, tStatus&) : redirector_(deviceTarget) {}
  SnoopingManager(const SnoopingManager&) = delete;
  SnoopingManager& operator=(const SnoopingManager&) = delete;

  vlifw::InstructionTarget* getInstructionTarget() { return &redirector_; }
  nVL9738K_24_0::InstructionTargetWithRedirection* getRedirector() { return &redirector_; }

  // Registers `map` for the subsystem of `context`; its accesses are
  // converted through `snoopingContext` when one is given, else `context`.
  // What its recordings write is noted in `recorded` when given (a record
  // that outlives this manager), else in the registration's own.
  template <typename T>
  SnoopingListenerAndSubsystem addSnoopableRegMap(T& map, const vlifw::ContextInterface& context, uint32_t base,
                                                  uint32_t shift, const vlifw::ContextInterface* snoopingContext,
                                                  tStatus& status, internal::WrittenRegisters* recorded = nullptr) {
    if (status.isFatal()) return {};
    const uint8_t number = static_cast<uint8_t>(context.contextualizeRead(0, status).subsystem);
    tSubsystem subsystem = entryFor(number, status);
    if (!subsystem) return {};
    tListener listener = subsystem->addSnoopableRegMap(map, snoopingContext != nullptr ? *snoopingContext : context,
                                                       base, shift, recorded, status);
    if (status.isFatal()) return {};
    return {listener, subsystem};
  }
  void removeSnoopableRegMap(const SnoopingListenerAndSubsystem& registration) {
    if (registration.listener && registration.subsystem) registration.subsystem->removeListener(registration.listener);
  }
  tSubsystem findSubsystem(uint8_t number, tStatus& status) const;
  // -52010 for a session on a subsystem with no registration.
  void attachSession(listmodek::Session& session, tStatus& status);

  // While a list records a map, what it wrote lives only in the map's
  // shadows: a direct access would write only what differs from them, or
  // read the hardware back over them. -52031 when `map` is registered for
  // a list being recorded and the running request does not record into
  // it; the caller then touches nothing.
  void refuseUnrecordedAccess(const void* map, tStatus& status) const;
  // Whether the running request records `map` into a list.
  bool isRecordedNow(const void* map) const;
  // What a list run on the engine of `subsystem` does behind the shadows:
  // the registers its recordings wrote are marked dirty and their run
  // flags changed as `run` says. Answers their groups
  // (RecordedRegisterGroups.h).
  uint32_t markRecordedDirty(uint8_t subsystem, internal::RunBits run = {});

 private:
  tSubsystem entryFor(uint8_t number, tStatus& status);

  nVL9738K_24_0::InstructionTargetWithRedirection redirector_;
  vlhtl::Map<uint8_t, tSubsystem> subsystems_;
};

}  // namespace SnoopingManager

#endif
