// A trigger control for every engine register block of the FPGA's
// subsystem tree that lies on the engine's own subsystem, over the map
// the register resources keep for that block.
#ifndef VL9738K_TIMING_DATAPATH_TRIGGERRESOURCES_H
#define VL9738K_TIMING_DATAPATH_TRIGGERRESOURCES_H

#include <stdint.h>

#include "AcqRegsResources.h"
#include "GenRegsResources.h"
#include "driver/timing/AcqTriggerControl.h"
#include "driver/timing/TriggerControlInterface.h"

namespace qrtifwprim {

namespace internal {

// Failures while building controls stay in the factory's own status.
class TriggerSubsystemResourcesFactory {
 public:
  TriggerSubsystemResourcesFactory(uint8_t acqSubsystem, AcqRegsResources* acq, uint8_t genSubsystem,
                                   GenRegsResources* gen, AcqTriggerControl::tSharedMap* shared)
      : acqSubsystem_(acqSubsystem), acq_(acq), genSubsystem_(genSubsystem), gen_(gen), shared_(shared) {}
  virtual ~TriggerSubsystemResourcesFactory() {}

  bool isSupportedUid(uint16_t uid, uint8_t subsystem) const;
  virtual trigki::TriggerControlInterface* createResources(const vlifw::ContextInterface* root,
                                                           const vlifw::ContextInterface* block,
                                                           nVLAPALS100::tStatus& status);
  static void destroyResources(trigki::TriggerControlInterface* control) { delete control; }

  nVLAPALS100::tStatus& creationStatus() { return creationStatus_; }

 private:
  uint8_t acqSubsystem_;
  AcqRegsResources* acq_;
  uint8_t genSubsystem_;
  GenRegsResources* gen_;
  AcqTriggerControl::tSharedMap* shared_;
  nVLAPALS100::tStatus creationStatus_;
};

}  // namespace internal

class TriggerResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPath = vlhtl::Vector<vlifw::PathElement>;

  TriggerResources(uint8_t acqSubsystem, AcqRegsResources* acq, uint8_t genSubsystem, GenRegsResources* gen,
                   AcqTriggerControl::tSharedMap* shared, const vlifw::ContextInterface* root);
  virtual ~TriggerResources() {}
  TriggerResources(const TriggerResources&) = delete;
  TriggerResources& operator=(const TriggerResources&) = delete;

  virtual void markDirty(uint8_t subsystem, tStatus& status);
  // -52006 for a path to a block without a control.
  virtual trigki::TriggerControlInterface* getTriggerControl(const tPath& path, tStatus& status);

 private:
  internal::TriggerSubsystemResourcesFactory factory_;
  tStatus walkStatus_;
  SubsystemResourcesMap<trigki::TriggerControlInterface, internal::TriggerSubsystemResourcesFactory> controls_;
};

}  // namespace qrtifwprim

#endif
