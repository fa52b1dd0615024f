// Construction, calculation, resets and reports of the routing resources;
// reservation and programming are in RoutingResourcesReservation.cpp.
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

// Closes the gaps a merge left, each with the list's last remaining route.
uint32_t closeGapsFromEnd(Route** routes, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    while (count > i && routes[count - 1] == nullptr) --count;
    if (i == count) break;
    if (routes[i] == nullptr) {
      routes[i] = routes[count - 1];
      routes[count - 1] = nullptr;
      --count;
    }
  }
  return count;
}

int32_t seedIndexOf(const Route& route, const RouteCalculationSeedBase* seeds, uint32_t seedCount, bool constrained) {
  for (uint32_t i = 0; i < seedCount; ++i) {
    if (seeds[i].terminalId == route.source->terminal->id && seedHasInversionConstraint(seeds[i]) == constrained) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

}  // namespace

RoutingResources<Terminal*, Edge*>::RoutingResources(const TopographyDescriptor* descriptor, TerminalNode* nodes,
                                                     EdgeState* edgeStates, OpenSetEntry* openSetSlots,
                                                     RouteProgrammerInterface* programmer, ResizeFn resize,
                                                     void* resizeContext, RouteCalculationPredicateInterface* predicate,
                                                     tStatus& status)
    : programmer_(programmer), lock_(status), constructed_(false), resize_(resize), resizeContext_(resizeContext) {
  topography_.setPredicate(predicate);
  topography_.setAllocators(&growOnlyHeapResizeFn, nullptr, &growOnlyHeapResizeFn, nullptr);
  topography_.init(descriptor, nodes, edgeStates, openSetSlots, programmer, status);
  constructed_ = status.isNotFatal();
}

RoutingResources<Terminal*, Edge*>::~RoutingResources() {
  if (!constructed_) return;
  tAutoLock<tMutex> guard(lock_);
  for (uint64_t i = database_.size(); i-- > 0;) release(database_[i]);
  database_.clear();
}

RoutingResources<Terminal*, Edge*>::ArenaScope::ArenaScope(Topography<Terminal*, Edge*>& topography, uint64_t chunkSize)
    : topography_(topography), arena_(chunkSize) {
  topography_.setAllocators(&growOnlyHeapResizeFn, &arena_, &growOnlyHeapResizeFn, &arena_);
}

RoutingResources<Terminal*, Edge*>::ArenaScope::~ArenaScope() {
  topography_.setAllocators(&growOnlyHeapResizeFn, nullptr, &growOnlyHeapResizeFn, nullptr);
}

bool RoutingResources<Terminal*, Edge*>::knowsTerminals(const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                                                        const uint32_t* destinationIds, uint32_t destinationCount,
                                                        tStatus& status) {
  if ((seedCount != 0 && seeds == nullptr) || (destinationCount != 0 && destinationIds == nullptr)) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return false;
  }
  for (uint32_t i = 0; i < seedCount; ++i) {
    if (topography_.getTerminalForID(seeds[i].terminalId) == topography_.nodesEnd()) {
      fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
      return false;
    }
  }
  for (uint32_t i = 0; i < destinationCount; ++i) {
    if (topography_.getTerminalForID(destinationIds[i]) == topography_.nodesEnd()) {
      fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
      return false;
    }
  }
  return true;
}

// The first pass takes seeds as they are, the second the seeds whose signal
// is wanted inverted; a route of the second pass is inverted relative to
// what user mode asked of its source.
uint32_t RoutingResources<Terminal*, Edge*>::calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds,
                                                            uint32_t seedCount, const uint32_t* destinationIds,
                                                            uint32_t destinationCount, uint32_t flags,
                                                            RoutePossibilityBase*& results, uint32_t& resultCount,
                                                            tStatus& status) {
  if (!constructed_ || status.isFatal()) return 0;
  tAutoLock<tMutex> guard(lock_);
  const uint32_t capacity = results == nullptr ? 0 : resultCount;
  resultCount = 0;
  if (!knowsTerminals(seeds, seedCount, destinationIds, destinationCount, status)) return 0;

  ArenaScope scope(topography_, kCalculationChunkSize);
  Route** plain = nullptr;
  Route** inverted = nullptr;
  uint32_t plainCount = 0;
  uint32_t invertedCount = 0;
  const uint32_t plainResult =
      topography_.calculateRoute(owner, seeds, seedCount, &seedDoesNotHaveInversionConstraint, destinationIds,
                                 destinationCount, flags, plain, plainCount, status);
  const uint32_t invertedResult =
      topography_.calculateRoute(owner, seeds, seedCount, &seedHasInversionConstraint, destinationIds, destinationCount,
                                 flags, inverted, invertedCount, status);
  for (uint32_t i = 0; i < invertedCount; ++i) inverted[i]->inverted ^= 1;
  keepCheaperOfEachPair(plain, plainCount, inverted, invertedCount);

  const uint64_t total = uint64_t{plainCount} + invertedCount;
  if (status.isNotFatal() && total > capacity) {
    results =
        static_cast<RoutePossibilityBase*>(growCallerBuffer(results, total * sizeof(RoutePossibilityBase), status));
  }
  const uint64_t before = database_.size();
  uint32_t filled = 0;
  publish(plain, plainCount, seeds, seedCount, false, results, filled, status);
  publish(inverted, invertedCount, seeds, seedCount, true, results, filled, status);
  if (status.isFatal()) {
    // The database is left as it was before the call.
    while (database_.size() > before) database_.remove(&database_[database_.size() - 1]);
  } else {
    resultCount = filled;
  }
  topography_.destroyRouteArray(plain, plainCount);
  topography_.destroyRouteArray(inverted, invertedCount);
  if (status.isFatal()) return 0;
  return total == 0 && (plainResult == 1 || invertedResult == 1) ? 1 : 0;
}

// Of a plain and an inverted-pass route to the same terminal with the same
// polarity only the cheaper is worth offering (the plain one on a tie).
void RoutingResources<Terminal*, Edge*>::keepCheaperOfEachPair(Route** a, uint32_t& aCount, Route** b,
                                                               uint32_t& bCount) {
  for (uint32_t i = 0; i < aCount; ++i) {
    const uint32_t destination = destinationOf(*a[i])->terminal->id;
    for (uint32_t j = 0; j < bCount; ++j) {
      if (b[j] == nullptr || destinationOf(*b[j])->terminal->id != destination || b[j]->inverted != a[i]->inverted) {
        continue;
      }
      Route*& dearer = b[j]->cost >= a[i]->cost ? b[j] : a[i];
      topography_.destroyRoute(dearer);
      dearer = nullptr;
      break;
    }
  }
  aCount = closeGapsFromEnd(a, aCount);
  bCount = closeGapsFromEnd(b, bCount);
}

void RoutingResources<Terminal*, Edge*>::publish(Route** routes, uint32_t count, const RouteCalculationSeedBase* seeds,
                                                 uint32_t seedCount, bool constrained, RoutePossibilityBase* results,
                                                 uint32_t& filled, tStatus& status) {
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) {
    const Route& route = *routes[i];
    const uint32_t id = database_.add(route, status);
    if (status.isFatal()) return;
    // Whole records, padding included, go to user mode.
    results[filled++] = RoutePossibilityBase{id,
                                             destinationOf(route)->terminal->id,
                                             route.cost,
                                             seedIndexOf(route, seeds, seedCount, constrained),
                                             route.inverted,
                                             {}};
  }
}

void* RoutingResources<Terminal*, Edge*>::growCallerBuffer(void* buffer, uint64_t bytes, tStatus& status) {
  void* grown = resize_ == nullptr ? nullptr : resize_(buffer, bytes, resizeContext_);
  if (grown == nullptr) fail(status, nVLAPALS100::kStatusOutOfMemory, __LINE__);
  return grown;
}

void RoutingResources<Terminal*, Edge*>::resetTerminal(uint32_t terminalId, uint32_t mode, tStatus& status) {
  if (!constructed_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  TerminalNode* node = topography_.getTerminalForID(terminalId);
  if (node == topography_.nodesEnd()) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  topography_.resetTerminal(node, mode, status);
}

uint32_t RoutingResources<Terminal*, Edge*>::calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                                                    tStatus& status) {
  if (!constructed_ || status.isFatal()) return 0;
  tAutoLock<tMutex> guard(lock_);
  ArenaScope scope(topography_, kReservationChunkSize);
  Route* route = nullptr;
  topography_.calculateResetTerminal(owner, route, terminalId, mode, status);
  const uint32_t id = route == nullptr ? 0 : database_.add(*route, status);
  topography_.destroyRoute(route);
  return id;
}

// One terminal that cannot be reset does not keep the others from it.
void RoutingResources<Terminal*, Edge*>::resetAllTerminalsToDefault(tStatus& status) {
  if (!constructed_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  for (uint32_t i = 0; i < topography_.nodeCount(); ++i) {
    TerminalNode* node = &topography_.nodes()[i];
    if (node->terminal->incomingEdgeCount == 0) continue;
    tStatus local;
    topography_.resetTerminal(node, 0, local);
    status.merge(local);
  }
}

void RoutingResources<Terminal*, Edge*>::getRouteTerminalPath(uint32_t routeId, uint32_t*& path, uint32_t& count,
                                                              tStatus& status) {
  if (!constructed_ || status.isFatal()) return;
  tAutoLock<tMutex> guard(lock_);
  const uint32_t capacity = path == nullptr ? 0 : count;
  count = 0;
  const RouteInDB* route = database_.find(routeId);
  if (route == nullptr) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  const uint64_t entries = route->segmentCount + 1;
  if (entries > capacity) {
    path = static_cast<uint32_t*>(growCallerBuffer(path, entries * sizeof(uint32_t), status));
    if (path == nullptr) return;
  }
  path[0] = route->source->terminal->id;
  for (uint64_t s = 0; s < route->segmentCount; ++s) path[s + 1] = route->segments[s].node->terminal->id;
  count = static_cast<uint32_t>(entries);
}

uint32_t RoutingResources<Terminal*, Edge*>::getRouteState(uint32_t routeId) {
  if (!constructed_) return 0;
  tAutoLock<tMutex> guard(lock_);
  const RouteInDB* route = database_.find(routeId);
  return route == nullptr ? 0 : route->state;
}

void RoutingResources<Terminal*, Edge*>::destroyRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> guard(lock_);
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr) return;
  release(*route);
  database_.remove(route);
}

}  // namespace vlark
