#include "TopSerapinReferenceFpgaRoutingResources.h"

#include "driver/platform/zuk/ZukMemory.h"

namespace topSerapinReferenceFpga {

RoutingResources::RoutingResources(vlark::RouteProgrammerInterface* programmer, nVLAPALS100::tStatus& status,
                                   vlark::ResizeFn resize, void* resizeContext,
                                   vlark::RouteCalculationPredicateInterface* predicate)
    : vlark::RoutingResources<vlark::Terminal*, vlark::Edge*>(&kTopography, nodes_, edgeStates_, openSetSlots_,
                                                              programmer, resize, resizeContext, predicate, status) {}

RoutingResources::~RoutingResources() = default;

void* RoutingResources::platformResize(void* oldBlock, uint64_t size, void*) {
  if (oldBlock != nullptr) nVLZUK100_free(oldBlock);
  return size == 0 ? nullptr : nVLZUK100_malloc(size);
}

}  // namespace topSerapinReferenceFpga
