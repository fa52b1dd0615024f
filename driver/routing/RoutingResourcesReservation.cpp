// Reserving, programming and releasing routes of the database. A reserved
// route counts in the use counts and availability of its edges; a
// programmed one also in their programmed counts and in the hardware.
#include "RoutingResources.h"
#include "RoutingStatusCodes.h"

namespace vlark {

using nVLAPAL000::tAutoLock;
using nVLAPAL000::tMutex;
using nVLAPALS100::tStatus;

namespace {

void fail(tStatus& status, int64_t code, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kRoutingResources, line));
}

template <typename tVisit>
void forEachIncomingEdge(Topography<Terminal*, Edge*>& topography, const TerminalNode* node, tVisit visit) {
  const uint32_t* slots = topography.descriptor()->incomingEdges + node->terminal->firstIncomingSlot;
  for (uint32_t i = 0; i < node->terminal->incomingEdgeCount; ++i) visit(topography.edgeStates()[slots[i]]);
}

template <typename tVisit>
void forEachEntry(const RouteInDB& route, tVisit visit) {
  for (uint64_t g = 0; g < route.groupResetCount; ++g) visit(route.groupResets[g]);
  for (uint64_t s = 0; s < route.segmentCount; ++s) visit(route.segments[s]);
}

bool holdsAnyOf(const RouteInDB& route, EdgeState* const* edges, uint32_t edgeCount) {
  bool holds = false;
  forEachEntry(route, [&](const Segment& entry) {
    for (uint32_t i = 0; i < edgeCount && !holds; ++i) holds = entry.edge == edges[i];
  });
  return holds;
}

bool isHoldingEdges(const RouteInDB& route) {
  return route.state == kRouteStateReserved || route.state == kRouteStateProgrammed;
}

}  // namespace

void RoutingResources<Terminal*, Edge*>::reserveRoute(uint32_t routeId, RouteConflict*& conflicts,
                                                      uint32_t& conflictCount, tStatus& status) {
  if (!constructed_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  conflictCount = 0;
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr || route->state != kRouteStateCalculated) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  ArenaScope scope(topography_, kReservationChunkSize);
  EdgeState** edges = nullptr;
  uint32_t edgeCount = 0;
  const bool refused = collectConflictingEdges(*route, scope.arena(), edges, edgeCount, status);
  if (status.isFatal()) return;
  if (!refused) {
    takeEdges(*route);
    route->state = kRouteStateReserved;
    return;
  }
  fail(status, codes::kRouteConflict, __LINE__);
  if (edgeCount != 0) reportConflicts(edges, edgeCount, conflicts, conflictCount);
}

// The reasons a reservation is refused, each with the edges in the way.
bool RoutingResources<Terminal*, Edge*>::collectConflictingEdges(const RouteInDB& route, GrowOnlyArena& arena,
                                                                 EdgeState**& edges, uint32_t& count, tStatus& status) {
  bool refused = false;
  // An exclusive source must not be driven by anything.
  if ((route.source->terminal->flags & kTerminalExclusiveUse) != 0) {
    refused = topography_.isTerminalInUseAsADest(route.source, edges, count, status) || refused;
  }
  // An exclusive destination must not drive anything.
  TerminalNode* destination = destinationOf(route);
  if ((destination->terminal->flags & kTerminalExclusiveUse) != 0) {
    refused = appendInUseOutgoingEdges(destination, arena, edges, count, status) || refused;
  }
  // A terminal takes one input at a time: an edge made unavailable by
  // another input in use means that input's routes are in the way (a
  // group's members share the one input between them).
  forEachEntry(route, [&](const Segment& entry) {
    if (entry.edge == nullptr || entry.edge->available != 0) return;
    refused = true;
    topography_.isTerminalInUseAsADest(entry.node, edges, count, status);
  });
  return refused;
}

bool RoutingResources<Terminal*, Edge*>::appendInUseOutgoingEdges(TerminalNode* node, GrowOnlyArena& arena,
                                                                  EdgeState**& edges, uint32_t& count,
                                                                  tStatus& status) {
  const Terminal& terminal = *node->terminal;
  EdgeState* outgoing = topography_.edgeStates() + terminal.firstOutgoingEdge;
  uint32_t found = 0;
  for (uint32_t i = 0; i < terminal.outgoingEdgeCount; ++i) found += outgoing[i].useCount != 0;
  if (found == 0 || status.isFatal()) return found != 0;
  // The arena does not keep contents: copy into the larger block.
  auto** grown = static_cast<EdgeState**>(arena.allocate((uint64_t{count} + found) * sizeof(EdgeState*)));
  if (grown == nullptr) {
    fail(status, nVLAPALS100::kStatusOutOfMemory, __LINE__);
    return true;
  }
  for (uint32_t i = 0; i < count; ++i) grown[i] = edges[i];
  edges = grown;
  for (uint32_t i = 0; i < terminal.outgoingEdgeCount; ++i) {
    if (outgoing[i].useCount != 0) edges[count++] = &outgoing[i];
  }
  return true;
}

// One record per route in the way, in database order. The buffer is sized
// once for all of them and handed out whole.
void RoutingResources<Terminal*, Edge*>::reportConflicts(EdgeState* const* edges, uint32_t edgeCount,
                                                         RouteConflict*& conflicts, uint32_t& conflictCount) {
  uint64_t found = 0;
  for (uint64_t i = 0; i < database_.size(); ++i) {
    found += isHoldingEdges(database_[i]) && holdsAnyOf(database_[i], edges, edgeCount);
  }
  if (found == 0) return;
  // The reservation's own refusal is what the caller learns; a buffer that
  // cannot be had only leaves the list empty.
  tStatus local;
  conflicts = static_cast<RouteConflict*>(growCallerBuffer(conflicts, found * sizeof(RouteConflict), local));
  if (conflicts == nullptr) return;
  for (uint64_t i = 0; i < database_.size(); ++i) {
    const RouteInDB& other = database_[i];
    if (isHoldingEdges(other) && holdsAnyOf(other, edges, edgeCount)) {
      conflicts[conflictCount++] = RouteConflict{other.owner, other.id, {}};
    }
  }
}

// The first route to take an edge into a terminal shuts the terminal's
// other inputs; routes sharing the edge (a fan-out) only count.
void RoutingResources<Terminal*, Edge*>::takeEdges(RouteInDB& route) {
  forEachEntry(route, [&](const Segment& entry) {
    if (entry.edge == nullptr || ++entry.edge->useCount != 1) return;
    forEachIncomingEdge(topography_, entry.node, [](EdgeState& edge) { edge.available = 0; });
    entry.edge->available = 1;
  });
}

void RoutingResources<Terminal*, Edge*>::releaseEdges(RouteInDB& route) {
  auto releaseEntry = [&](const Segment& entry) {
    if (entry.edge == nullptr || entry.edge->useCount == 0 || --entry.edge->useCount != 0) return;
    forEachIncomingEdge(topography_, entry.node, [](EdgeState& edge) { edge.available = 1; });
  };
  for (uint64_t s = 0; s < route.segmentCount; ++s) releaseEntry(route.segments[s]);
  for (uint64_t g = 0; g < route.groupResetCount; ++g) releaseEntry(route.groupResets[g]);
  route.state = kRouteStateCalculated;
}

void RoutingResources<Terminal*, Edge*>::release(RouteInDB& route) {
  if (route.state == kRouteStateProgrammed) topography_.unprogramRoute(route);
  if (route.state == kRouteStateReserved) releaseEdges(route);
}

void RoutingResources<Terminal*, Edge*>::programRoute(uint32_t routeId, tStatus& status) {
  if (!constructed_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr || route->state != kRouteStateReserved) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  // Written into a list, the route reaches the matrix only if the list
  // runs: it stays reserved whatever the program answers, and its counts
  // are undone as after a failure.
  const bool recorded = programmer_ != nullptr && programmer_->recordsInstead();
  {
    // The source may be driven by something else; then it stays as it is.
    tStatus ignored;
    topography_.resetTerminal(route->source, 0, ignored);
  }
  // The entries are written one at a time so that a failure knows how far
  // the walk got.
  AutoRouteProgrammerTransaction transaction(topography_.descriptor(), programmer_);
  RouteInDB written{};
  written.groupResets = route->groupResets;
  written.segments = route->segments;
  for (; written.groupResetCount < route->groupResetCount && status.isNotFatal(); ++written.groupResetCount) {
    topography_.programRouteSegments(transaction, &route->groupResets[written.groupResetCount], 1, status);
  }
  for (; written.segmentCount < route->segmentCount && status.isNotFatal(); ++written.segmentCount) {
    topography_.programRouteSegments(transaction, &route->segments[written.segmentCount], 1, status);
  }
  transaction.end(status);
  if (status.isNotFatal() && !recorded) {
    route->state = kRouteStateProgrammed;
    return;
  }
  // A route that is not programmed holds no programmed counts: undo the
  // edges this call counted, resetting those no other route holds, so a
  // later route over them writes the hardware again.
  // The entry that failed was not counted and is passed over.
  topography_.unprogramRoute(written);
}

void RoutingResources<Terminal*, Edge*>::unprogramRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> guard(lock_);
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr || route->state != kRouteStateProgrammed) return;
  // Written into a list, the unprogram leaves the matrix as it is: the
  // route stays programmed, so that its release takes it out.
  if (programmer_ != nullptr && programmer_->recordsInstead()) {
    topography_.recordUnprogram(*route);
    return;
  }
  topography_.unprogramRoute(*route);
}

void RoutingResources<Terminal*, Edge*>::unreserveRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> guard(lock_);
  RouteInDB* route = database_.find(routeId);
  if (route != nullptr) release(*route);
}

}  // namespace vlark
