// The routing resources of the board's FPGA design: the routing library's
// resources bound to the design's generated topography, with the working
// state of every terminal and edge held inline, so that the whole
// topography lives in one allocation.
#ifndef VL9738K_BOARD_ROUTING_TOPSERAPINREFERENCEFPGAROUTINGRESOURCES_H
#define VL9738K_BOARD_ROUTING_TOPSERAPINREFERENCEFPGAROUTINGRESOURCES_H

#include <stdint.h>

#include "TopSerapinReferenceFpgaTopography.h"
#include "driver/routing/RoutingResources.h"

namespace topSerapinReferenceFpga {

class RoutingResources final : public vlark::RoutingResources<vlark::Terminal*, vlark::Edge*> {
 public:
  // Buffers handed to callers come from `resize` with `resizeContext`.
  RoutingResources(vlark::RouteProgrammerInterface* programmer, nVLAPALS100::tStatus& status, vlark::ResizeFn resize,
                   void* resizeContext, vlark::RouteCalculationPredicateInterface* predicate);
  ~RoutingResources() override;

  // What the device hands its resources: a fresh block of the new size,
  // the old one freed, nothing copied; size 0 only frees.
  static void* platformResize(void* oldBlock, uint64_t size, void* context);

 private:
  // Filled by the base's constructor, which runs first: no initialiser
  // here may overwrite them.
  vlark::TerminalNode nodes_[kTerminalCount];
  vlark::EdgeState edgeStates_[kEdgeCount];
  vlark::OpenSetEntry openSetSlots_[kTerminalCount];
};

}  // namespace topSerapinReferenceFpga

#endif
