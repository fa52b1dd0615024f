// The PXI trigger routing of the FPGA: the routing matrix's context under
// its container, on the instruction target every engine access takes, and
// the trigger routing host that programs the matrix over them. Without the
// matrix's context there is no host and routing is left without hardware.
#ifndef VL9738K_ENGINES_OV3ROUTINGRESOURCES_H
#define VL9738K_ENGINES_OV3ROUTINGRESOURCES_H

#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/tStatus.h"
#include "driver/routing/pxi/PxiTriggerRoutingHost.h"

namespace ov3ifw {

class OV3RoutingResources {
 public:
  // Keeps nothing when the status holds an error or there is no context.
  OV3RoutingResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* routingContext,
                      nVLAPALS100::tStatus& status) {
    if (status.isFatal() || routingContext == nullptr) return;
    target_ = target;
    context_ = routingContext;
    // The host remembers what it programmed, so that a route already in
    // place is not written again.
    host_ = new (status, nVLAPAL000::kAllocationKindPlain)
        vlpxiroutingmatrix::PxiTriggerRoutingHost(target, routingContext, true, status);
  }
  virtual ~OV3RoutingResources() { delete host_; }
  OV3RoutingResources(const OV3RoutingResources&) = delete;
  OV3RoutingResources& operator=(const OV3RoutingResources&) = delete;

  vlpxiroutingmatrix::PxiTriggerRoutingHost* getPxiTriggerRoutingHost() const { return host_; }
  vlifw::InstructionTarget* getTarget() const { return target_; }
  const vlifw::ContextInterface* getContext() const { return context_; }

 private:
  vlifw::InstructionTarget* target_ = nullptr;
  const vlifw::ContextInterface* context_ = nullptr;
  vlpxiroutingmatrix::PxiTriggerRoutingHost* host_ = nullptr;
};

}  // namespace ov3ifw

#endif
