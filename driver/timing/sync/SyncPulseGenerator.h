// An engine's sync-pulse generator: one strobe that fires a sync pulse.
#ifndef VL9738K_TIMING_SYNC_SYNCPULSEGENERATOR_H
#define VL9738K_TIMING_SYNC_SYNCPULSEGENERATOR_H

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/regmaps/timing/tBasicSyncPulseGenRegMap.h"

namespace qrtifwprim {

class SyncPulseGenerator {
 public:
  using tMap = basicsyncpulsegenregmap::tBasicSyncPulseGenRegMap;
  using tStatus = nVLAPALS100::tStatus;

  SyncPulseGenerator(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~SyncPulseGenerator();
  SyncPulseGenerator(const SyncPulseGenerator&) = delete;
  SyncPulseGenerator& operator=(const SyncPulseGenerator&) = delete;

  // Every call writes the strobe: the block does not hold it.
  virtual void fireSyncPulse(tStatus& status);

 private:
  vlifw::InstructionTargetMXRM* target_ = nullptr;
  tMap* registers_ = nullptr;
};

}  // namespace qrtifwprim

#endif
