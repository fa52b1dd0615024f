// The PXI trigger routing of the FPGA: the routing matrix's context under
// its container, on the instruction target every engine access takes. The
// trigger routing host that programs the matrix is built over these; until
// it exists there is no host and routing is left without hardware.
#ifndef VL9738K_ENGINES_OV3ROUTINGRESOURCES_H
#define VL9738K_ENGINES_OV3ROUTINGRESOURCES_H

#include "driver/ifw/ContextInterface.h"
#include "driver/ifw/InstructionTarget.h"
#include "driver/platform/status/tStatus.h"

namespace vlpxiroutingmatrix {
class PxiTriggerRoutingHost;
}

namespace ov3ifw {

class OV3RoutingResources {
 public:
  // Keeps nothing when the status holds an error or there is no context.
  OV3RoutingResources(vlifw::InstructionTarget* target, const vlifw::ContextInterface* routingContext,
                      nVLAPALS100::tStatus& status) {
    if (status.isFatal() || routingContext == nullptr) return;
    target_ = target;
    context_ = routingContext;
  }
  virtual ~OV3RoutingResources() {}
  OV3RoutingResources(const OV3RoutingResources&) = delete;
  OV3RoutingResources& operator=(const OV3RoutingResources&) = delete;

  vlpxiroutingmatrix::PxiTriggerRoutingHost* getPxiTriggerRoutingHost() const { return nullptr; }
  vlifw::InstructionTarget* getTarget() const { return target_; }
  const vlifw::ContextInterface* getContext() const { return context_; }

 private:
  vlifw::InstructionTarget* target_ = nullptr;
  const vlifw::ContextInterface* context_ = nullptr;
};

}  // namespace ov3ifw

#endif
