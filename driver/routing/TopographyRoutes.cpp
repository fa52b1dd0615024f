// Turning a finished search into routes: paths by the predecessor chains,
// one opposite-polarity alternative per route, one route per exclusive
// group, and the group members each route must reset.
#include "RoutingStatusCodes.h"
#include "Topography.h"

namespace vlark {

using nVLAPALS100::tStatus;

namespace {

constexpr uint64_t kLargestCost = 0xFFFFFFFFu;

}  // namespace

uint32_t Topography<Terminal*, Edge*>::buildRoutes(Route** slots, uint32_t slotCount, tStatus& status) {
  uint32_t built = 0;
  uint32_t visited = 0;
  for (uint32_t i = 0; i < nodeCount_ && visited < destinationCount_; ++i) {
    TerminalNode* node = &nodes_[i];
    if (!node->isDestination) continue;
    ++visited;
    tStatus local;
    Route* route = routeTo(node, local);
    // An unreachable destination is dropped; the others still get routes.
    if (local.isFatal() && local.getCode() != codes::kDestinationUnreachable) {
      status.merge(local);
      return 0;
    }
    if (route != nullptr) slots[2 * built++] = route;
  }
  if (built == 0) return 0;

  // Every route may bring one alternative of opposite polarity, kept right
  // behind it.
  for (uint32_t k = 0; k < built; ++k) {
    Route& route = *slots[2 * k];
    for (uint32_t s = 0; s < route.segmentCount; ++s) route.inverted ^= route.segments[s].edge->edge->inverting;
    // Without inverting edges no hop has an opposite-polarity twin.
    if (hasInvertingEdges_) slots[2 * k + 1] = alternativeOf(route, status);
    if (status.isFatal()) return 0;
  }
  uint32_t count = compact(slots, slotCount);
  thinGroupRoutes(slots, count);
  for (uint32_t i = 0; i < count; ++i) {
    buildGroupResets(*slots[i], status);
    if (status.isFatal()) return 0;
  }
  return count;
}

Route* Topography<Terminal*, Edge*>::routeTo(TerminalNode* destination, tStatus& status) {
  if (destination->isSeed) {
    Route* route = newRoute(status);
    if (route == nullptr) return nullptr;
    route->source = destination;
    route->cost = destination->cost;
    return route;
  }
  uint32_t hops = 0;
  for (const TerminalNode* node = destination; node->predecessor != nullptr && hops <= nodeCount_;
       node = node->predecessor) {
    ++hops;
  }
  // No chain is longer than the node count; a longer one could only be a
  // cycle, and a cycle leads to no seed.
  if (hops == 0 || hops > nodeCount_) {
    status.setCode(codes::kDestinationUnreachable, VL_SITE_AT(sites::kDijkstraSolver, __LINE__));
    return nullptr;
  }
  Route* route = newRoute(status);
  if (route == nullptr) return nullptr;
  route->segments =
      static_cast<Segment*>(resize_ == nullptr ? nullptr : resize_(nullptr, hops * sizeof(Segment), resizeContext_));
  if (route->segments == nullptr) {
    status.setCode(nVLAPALS100::kStatusLookupFailure, VL_SITE_AT(sites::kDijkstraSolver, __LINE__));
    destroyRoute(route);
    return nullptr;
  }
  TerminalNode* node = destination;
  for (uint32_t k = hops; k-- > 0; node = node->predecessor) route->segments[k] = Segment{node->predecessorEdge, node};
  route->source = node;
  route->segmentCount = hops;
  route->cost = destination->cost;
  return route;
}

// The first hop, from the destination backwards, that an unused edge of the
// opposite polarity could replace.
Route* Topography<Terminal*, Edge*>::alternativeOf(const Route& route, tStatus& status) {
  for (uint32_t s = route.segmentCount; s-- > 0;) {
    const Segment& segment = route.segments[s];
    if (segment.edge->useCount != 0) continue;
    TerminalNode* current = s == 0 ? route.source : route.segments[s - 1].node;
    const Terminal& terminal = *current->terminal;
    for (uint32_t i = 0; i < terminal.outgoingEdgeCount; ++i) {
      EdgeState& candidate = edgeStates_[terminal.firstOutgoingEdge + i];
      if (targetOf(candidate) != segment.node || candidate.edge->inverting == segment.edge->edge->inverting ||
          !mayTake(current, candidate, segment.node)) {
        continue;
      }
      const uint64_t cost = static_cast<uint64_t>(route.cost) - segment.edge->edge->cost + candidate.edge->cost;
      if (cost > kLargestCost) continue;
      Route* alternative = newRoute(status);
      if (alternative == nullptr) return nullptr;
      alternative->segments =
          static_cast<Segment*>(resize_(nullptr, route.segmentCount * sizeof(Segment), resizeContext_));
      if (alternative->segments == nullptr) {
        status.setCode(nVLAPALS100::kStatusLookupFailure, VL_SITE_AT(sites::kDijkstraSolver, __LINE__));
        destroyRoute(alternative);
        return nullptr;
      }
      for (uint32_t k = 0; k < route.segmentCount; ++k) alternative->segments[k] = route.segments[k];
      alternative->segments[s].edge = &candidate;
      alternative->source = route.source;
      alternative->segmentCount = route.segmentCount;
      alternative->cost = static_cast<uint32_t>(cost);
      alternative->inverted = route.inverted ^ 1;
      return alternative;
    }
  }
  return nullptr;
}

// Only one member of an exclusive group can be driven: of two routes into
// one group with the same polarity, the cheaper stays (the earlier one on
// equal cost).
void Topography<Terminal*, Edge*>::thinGroupRoutes(Route** routes, uint32_t& count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (routes[i] == nullptr || groupOf(destinationOf(*routes[i])) == nullptr) continue;
    uint32_t kept = i;
    for (uint32_t j = i + 1; j < count; ++j) {
      Route* later = routes[j];
      if (later == nullptr) continue;
      const TerminalNode* keptDestination = destinationOf(*routes[kept]);
      const TerminalNode* laterDestination = destinationOf(*later);
      if (laterDestination == keptDestination || laterDestination->terminal->incomingEdgeCount == 0 ||
          laterDestination->terminal->exclusiveGroup != keptDestination->terminal->exclusiveGroup ||
          later->inverted != routes[kept]->inverted) {
        continue;
      }
      if (later->cost >= routes[kept]->cost) {
        destroyRoute(later);
        routes[j] = nullptr;
      } else {
        destroyRoute(routes[kept]);
        routes[kept] = nullptr;
        kept = j;
      }
    }
  }
  count = compact(routes, count);
}

// Entering one member of a group means the group's other members must be
// put back to their default input.
void Topography<Terminal*, Edge*>::buildGroupResets(Route& route, tStatus& status) {
  uint32_t entries = 0;
  for (uint32_t s = 0; s < route.segmentCount; ++s) {
    const ExclusiveGroup* group = groupOf(route.segments[s].node);
    if (group == nullptr || group->memberCount < 2) continue;
    for (uint32_t k = 0; k < group->memberCount; ++k) entries += &nodes_[group->members[k]] != route.segments[s].node;
  }
  if (entries == 0) return;
  route.groupResets = static_cast<Segment*>(allocate_(nullptr, entries * sizeof(Segment), allocateContext_));
  if (route.groupResets == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kTopography, __LINE__));
    return;
  }
  for (uint32_t s = 0; s < route.segmentCount; ++s) {
    const ExclusiveGroup* group = groupOf(route.segments[s].node);
    if (group == nullptr || group->memberCount < 2) continue;
    for (uint32_t k = 0; k < group->memberCount; ++k) {
      TerminalNode* member = &nodes_[group->members[k]];
      if (member == route.segments[s].node) continue;
      route.groupResets[route.groupResetCount++] = Segment{firstDefaultIncomingEdge(member), member};
    }
  }
}

uint32_t Topography<Terminal*, Edge*>::compact(Route** routes, uint32_t count) const {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (routes[i] != nullptr) routes[kept++] = routes[i];
  }
  for (uint32_t i = kept; i < count; ++i) routes[i] = nullptr;
  return kept;
}

Route* Topography<Terminal*, Edge*>::newRoute(tStatus& status) {
  Route* route =
      static_cast<Route*>(allocate_ == nullptr ? nullptr : allocate_(nullptr, sizeof(Route), allocateContext_));
  if (route == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kTopography, __LINE__));
    return nullptr;
  }
  *route = Route{};
  return route;
}

void Topography<Terminal*, Edge*>::release(ResizeFn fn, void* context, void* block) const {
  if (fn != nullptr && block != nullptr) fn(block, 0, context);
}

void Topography<Terminal*, Edge*>::destroyRoute(Route* route) {
  if (route == nullptr) return;
  release(resize_, resizeContext_, route->segments);
  release(allocate_, allocateContext_, route->groupResets);
  release(allocate_, allocateContext_, route);
}

void Topography<Terminal*, Edge*>::destroyRouteArray(Route** routes, uint32_t count) {
  if (routes == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) destroyRoute(routes[i]);
  release(allocate_, allocateContext_, routes);
}

}  // namespace vlark
