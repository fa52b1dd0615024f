#include "Topography.h"

#include "RoutingStatusCodes.h"

namespace vlark {

using nVLAPALS100::tStatus;

namespace {

void fail(tStatus& status, int64_t code, uint64_t line) { status.setCode(code, VL_SITE_AT(sites::kTopography, line)); }

}  // namespace

Topography<Terminal*, Edge*>::Topography()
    : nodes_(nullptr),
      nodeCount_(0),
      edgeStates_(nullptr),
      edgeCount_(0),
      predicate_(nullptr),
      useUnavailableEdges_(false),
      hasInvertingEdges_(false),
      destinationCount_(0),
      settledCount_(0),
      resize_(nullptr),
      resizeContext_(nullptr),
      allocate_(nullptr),
      allocateContext_(nullptr),
      descriptor_(nullptr),
      programmer_(nullptr) {}

void Topography<Terminal*, Edge*>::init(const TopographyDescriptor* descriptor, TerminalNode* nodes,
                                        EdgeState* edgeStates, OpenSetEntry* openSetSlots,
                                        RouteProgrammerInterface* programmer, tStatus& status) {
  if (status.isFatal()) return;
  if (descriptor == nullptr || (descriptor->terminalCount != 0 && (nodes == nullptr || openSetSlots == nullptr)) ||
      (descriptor->edgeCount != 0 && edgeStates == nullptr)) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return;
  }
  descriptor_ = descriptor;
  programmer_ = programmer;
  nodes_ = nodes;
  nodeCount_ = descriptor->terminalCount;
  edgeStates_ = edgeStates;
  edgeCount_ = descriptor->edgeCount;
  for (uint32_t i = 0; i < nodeCount_; ++i) {
    nodes_[i] = TerminalNode{&descriptor->terminals[i], kNotInOpenSet, nullptr, nullptr, kInfiniteCost, 0, 0};
  }
  hasInvertingEdges_ = false;
  for (uint32_t i = 0; i < edgeCount_; ++i) {
    edgeStates_[i] = EdgeState{&descriptor->edges[i], 0, 0, 1};
    hasInvertingEdges_ = hasInvertingEdges_ || descriptor->edges[i].inverting != 0;
  }
  openSet_.attach(openSetSlots, nodeCount_);
}

void Topography<Terminal*, Edge*>::setAllocators(ResizeFn resize, void* resizeContext, ResizeFn allocate,
                                                 void* allocateContext) {
  resize_ = resize;
  resizeContext_ = resizeContext;
  allocate_ = allocate;
  allocateContext_ = allocateContext;
}

// Ids come from user mode: the direct index is only tried where it exists.
TerminalNode* Topography<Terminal*, Edge*>::getTerminalForID(uint32_t id) const {
  if (id >= 1 && id <= nodeCount_ && nodes_[id - 1].terminal->id == id) return &nodes_[id - 1];
  for (uint32_t i = 0; i < nodeCount_; ++i) {
    if (nodes_[i].terminal->id == id) return &nodes_[i];
  }
  return nodesEnd();
}

const ExclusiveGroup* Topography<Terminal*, Edge*>::groupOf(const TerminalNode* node) const {
  const uint32_t group = node->terminal->exclusiveGroup;
  return group == 0 ? nullptr : &descriptor_->groups[group - 1];
}

EdgeState* Topography<Terminal*, Edge*>::incomingEdge(const TerminalNode* node, uint32_t i) const {
  return &edgeStates_[descriptor_->incomingEdges[node->terminal->firstIncomingSlot + i]];
}

EdgeState* Topography<Terminal*, Edge*>::firstDefaultIncomingEdge(const TerminalNode* node) const {
  for (uint32_t i = 0; i < node->terminal->incomingEdgeCount; ++i) {
    EdgeState* edge = incomingEdge(node, i);
    if (edge->edge->isDefault) return edge;
  }
  return nullptr;
}

bool Topography<Terminal*, Edge*>::hasIncomingEdgeInUse(const TerminalNode* node) const {
  for (uint32_t i = 0; i < node->terminal->incomingEdgeCount; ++i) {
    if (incomingEdge(node, i)->useCount != 0) return true;
  }
  return false;
}

bool Topography<Terminal*, Edge*>::hasOutgoingEdgeInUse(const TerminalNode* node) const {
  const Terminal& t = *node->terminal;
  for (uint32_t i = 0; i < t.outgoingEdgeCount; ++i) {
    if (edgeStates_[t.firstOutgoingEdge + i].useCount != 0) return true;
  }
  return false;
}

uint32_t Topography<Terminal*, Edge*>::calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds,
                                                      uint32_t seedCount, SeedFilter seedFilter,
                                                      const uint32_t* destinationIds, uint32_t destinationCount,
                                                      uint32_t flags, Route**& routes, uint32_t& routeCount,
                                                      tStatus& status) {
  routes = nullptr;
  routeCount = 0;
  if (status.isFatal()) return 0;
  if (seedCount == 0 || seeds == nullptr || (destinationCount != 0 && destinationIds == nullptr)) {
    fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
    return 0;
  }
  resetSearch(flags);
  if (!takeSeeds(seeds, seedCount, seedFilter, status) || destinationCount == 0) return 0;
  if (!takeDestinations(destinationIds, destinationCount, status)) return 0;

  // Each marked destination yields at most one route and one alternative.
  const uint32_t slotCount = 2 * destinationCount_;
  Route** slots = static_cast<Route**>(
      allocate_ == nullptr ? nullptr : allocate_(nullptr, slotCount * sizeof(Route*), allocateContext_));
  if (slots == nullptr) {
    fail(status, nVLAPALS100::kStatusOutOfMemory, __LINE__);
    return 0;
  }
  for (uint32_t i = 0; i < slotCount; ++i) slots[i] = nullptr;

  search();
  const uint32_t built = buildRoutes(slots, slotCount, status);
  if (status.isFatal() || built == 0) {
    destroyRouteArray(slots, slotCount);
    return status.isFatal() ? 0 : 1;
  }
  for (uint32_t i = 0; i < built; ++i) {
    slots[i]->owner = owner;
    slots[i]->state = kRouteStateCalculated;
  }
  routes = slots;
  routeCount = built;
  return 0;
}

void Topography<Terminal*, Edge*>::resetSearch(uint32_t flags) {
  openSet_.clear();
  for (uint32_t i = 0; i < nodeCount_; ++i) {
    TerminalNode& node = nodes_[i];
    node.openSlot = kNotInOpenSet;
    node.predecessor = nullptr;
    node.predecessorEdge = nullptr;
    node.cost = kInfiniteCost;
    node.isSeed = 0;
    node.isDestination = 0;
  }
  destinationCount_ = 0;
  settledCount_ = 0;
  useUnavailableEdges_ = (flags & kUseUnavailableEdges) != 0;
}

bool Topography<Terminal*, Edge*>::takeSeeds(const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                                             SeedFilter seedFilter, tStatus& status) {
  bool taken = false;
  for (uint32_t i = 0; i < seedCount; ++i) {
    if (seedFilter != nullptr && !seedFilter(seeds[i])) continue;
    TerminalNode* node = getTerminalForID(seeds[i].terminalId);
    if (node == nodesEnd()) {
      fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
      return false;
    }
    if ((node->terminal->flags & kTerminalExclusiveUse) != 0 &&
        anyGroupMember(node, [this](const TerminalNode* member) { return hasIncomingEdgeInUse(member); })) {
      continue;
    }
    node->cost = seeds[i].initialCost;
    openSet_.place(node);
    node->isSeed = 1;
    taken = true;
  }
  return taken;
}

bool Topography<Terminal*, Edge*>::takeDestinations(const uint32_t* destinationIds, uint32_t destinationCount,
                                                    tStatus& status) {
  bool taken = false;
  for (uint32_t i = 0; i < destinationCount; ++i) {
    TerminalNode* node = getTerminalForID(destinationIds[i]);
    if (node == nodesEnd()) {
      fail(status, nVLAPALS100::kStatusInvalidParameter, __LINE__);
      return false;
    }
    if ((node->terminal->flags & kTerminalExclusiveUse) != 0 && hasOutgoingEdgeInUse(node)) continue;
    markDestination(node);
    taken = true;
  }
  if (!taken) return false;
  // A request for one terminal of a group is a request for whichever member
  // is cheapest to reach; the losers are thinned out after the search.
  for (uint32_t i = 0; i < destinationCount; ++i) {
    TerminalNode* node = getTerminalForID(destinationIds[i]);
    const ExclusiveGroup* group = groupOf(node);
    for (uint32_t k = 0; group != nullptr && k < group->memberCount; ++k) {
      TerminalNode* member = &nodes_[group->members[k]];
      if (member != node) markDestination(member);
    }
  }
  return true;
}

void Topography<Terminal*, Edge*>::markDestination(TerminalNode* node) {
  if (node->isDestination) return;
  node->isDestination = 1;
  ++destinationCount_;
}

void Topography<Terminal*, Edge*>::search() {
  while (settledCount_ != destinationCount_ && !openSet_.isEmpty()) {
    TerminalNode* current = openSet_.head();
    if (current->cost == kInfiniteCost) return;
    if (current->isDestination) ++settledCount_;
    openSet_.unlink(current);
    if (settledCount_ == destinationCount_) return;
    relaxOutgoingEdges(current);
  }
}

// The tests of mayTake(), ordered for the hot loop: a terminal that passes
// nothing on is refused once, and an edge that would not lower its target's
// cost needs no other test.
void Topography<Terminal*, Edge*>::relaxOutgoingEdges(TerminalNode* current) {
  const Terminal& t = *current->terminal;
  if ((t.flags & kTerminalEndpointOnly) != 0 && !current->isSeed) return;
  const Edge* edges = descriptor_->edges;
  for (uint32_t i = t.firstOutgoingEdge; i < t.firstOutgoingEdge + t.outgoingEdgeCount; ++i) {
    TerminalNode* target = &nodes_[edges[i].target];
    // A sum past 32 bits would wrap below settled costs and could make a
    // node its own predecessor; such a path is no path.
    const uint64_t sum = static_cast<uint64_t>(current->cost) + edges[i].cost;
    if (sum >= target->cost) continue;
    if (!edgeStates_[i].available && !useUnavailableEdges_) continue;
    if ((target->terminal->flags & kTerminalEndpointOnly) != 0 && !target->isDestination) continue;
    if (predicate_ != nullptr && !predicate_->mayUseEdge(*current, edgeStates_[i], *target)) continue;
    target->cost = static_cast<uint32_t>(sum);
    target->predecessor = current;
    target->predecessorEdge = &edgeStates_[i];
    openSet_.place(target);
  }
}

bool Topography<Terminal*, Edge*>::mayTake(const TerminalNode* current, const EdgeState& edge,
                                           const TerminalNode* target) const {
  if (!edge.available && !useUnavailableEdges_) return false;
  if ((target->terminal->flags & kTerminalEndpointOnly) != 0 && !target->isDestination) return false;
  if ((current->terminal->flags & kTerminalEndpointOnly) != 0 && !current->isSeed) return false;
  return predicate_ == nullptr || predicate_->mayUseEdge(*current, edge, *target);
}

}  // namespace vlark
