// Every engine's trigger-clock synchronisation, found once in the FPGA's
// subsystem tree, and the sessions made on them by path.
#ifndef VL9738K_TIMING_SYNC_ZELKSYNCRESOURCES_H
#define VL9738K_TIMING_SYNC_ZELKSYNCRESOURCES_H

#include <stdint.h>

#include "ZelkSyncPathElement.h"
#include "ZelkSyncSubsystem.h"
#include "driver/platform/containers/Vector.h"
#include "driver/timing/SubsystemResourcesMap.h"

namespace qrtifwprim {

class ZelkSyncResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tPath = vlhtl::Vector<ZelkSyncPathElement>;

  // Walks the tree from `root`; the engines below an engine are its own
  // and are not visited. Only a failure to allocate is kept here (and
  // handed to every session request); an engine that fails keeps its
  // failure to itself.
  ZelkSyncResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root,
                    ZelkSyncSubsystemFactory::tGenerationMap* generation,
                    ZelkSyncSubsystemFactory::tAcquisitionMap* acquisition, bool noMeasurement)
      : root_(root), factory_(target, generation, acquisition, noMeasurement), subsystems_(root, factory_, status_) {}
  virtual ~ZelkSyncResources() {}
  ZelkSyncResources(const ZelkSyncResources&) = delete;
  ZelkSyncResources& operator=(const ZelkSyncResources&) = delete;

  // A new session on the engine the path leads to, from below the root;
  // the caller owns it.
  virtual ZelkSyncControl* createSession(const tPath& path, tStatus& status);

  uint64_t subsystemCount() const { return subsystems_.entries().size(); }

 private:
  const vlifw::ContextInterface* root_;
  tStatus status_;
  ZelkSyncSubsystemFactory factory_;
  SubsystemResourcesMap<ZelkSyncSubsystem, ZelkSyncSubsystemFactory> subsystems_;
};

class ZelkSyncResourcesFactory {
 public:
  ZelkSyncResourcesFactory(ZelkSyncSubsystemFactory::tGenerationMap* generation,
                           ZelkSyncSubsystemFactory::tAcquisitionMap* acquisition)
      : generation_(generation), acquisition_(acquisition) {}
  virtual ~ZelkSyncResourcesFactory() {}

  // Null when nothing could be allocated.
  virtual ZelkSyncResources* create(vlifw::InstructionTarget* target, const vlifw::ContextInterface* root,
                                    bool noMeasurement, nVLAPALS100::tStatus& status);

 private:
  ZelkSyncSubsystemFactory::tGenerationMap* generation_;
  ZelkSyncSubsystemFactory::tAcquisitionMap* acquisition_;
};

}  // namespace qrtifwprim

#endif
