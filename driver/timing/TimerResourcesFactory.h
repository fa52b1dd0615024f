// The timer-event blocks of the FPGA: one timer control for each, built
// when the factory is, and handed out by path or marked dirty by
// subsystem.
#ifndef VL9738K_TIMING_TIMERRESOURCESFACTORY_H
#define VL9738K_TIMING_TIMERRESOURCESFACTORY_H

#include <stdint.h>

#include "SubsystemResourcesMap.h"
#include "TimerControl.h"

namespace qrtifwprim {

struct TimerSubsystemResources {
  nVLAPALS100::tStatus creationStatus;
  TimerControl* control;
};

class TimerSubsystemResourcesFactory {
 public:
  static constexpr uint16_t kTimerEventUid = 2405;
  static constexpr uint16_t kVersion = 1;
  static constexpr uint16_t kOldestCompatibleVersion = 1;

  explicit TimerSubsystemResourcesFactory(vlifw::InstructionTarget* target) : target_(target) {}

  bool isSupportedUid(uint16_t uid, uint8_t) const { return uid == kTimerEventUid; }
  // A block of a version this code cannot drive keeps its failure in the
  // resources, and gets no control.
  TimerSubsystemResources* createResources(const vlifw::ContextInterface* root, const vlifw::ContextInterface* block,
                                           nVLAPALS100::tStatus& status);
  static void destroyResources(TimerSubsystemResources* resources);

 private:
  vlifw::InstructionTarget* target_;
};

class TimerResourcesFactory {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPath = vlhtl::Vector<vlifw::PathElement>;

  // Only a failure to allocate reaches `status`; blocks that fail keep
  // their failure until they are asked for.
  TimerResourcesFactory(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root, tStatus& status)
      : factory_(target), resources_(root, factory_, status) {}
  virtual ~TimerResourcesFactory() {}

  // Null, and a clean status, when the path leads to no timer-event block.
  virtual TimerControl* getTimerControl(const tPath& path, tStatus& status);
  virtual void markTimerRegistersDirtyForSubsystem(uint8_t subsystem, tStatus& status);

 private:
  TimerSubsystemResourcesFactory factory_;
  SubsystemResourcesMap<TimerSubsystemResources, TimerSubsystemResourcesFactory> resources_;
};

}  // namespace qrtifwprim

#endif
