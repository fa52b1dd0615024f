// Writing routes and reset edges through the route programmer. An edge's
// programmed count says how many programmed routes hold it: it is written
// when the first takes it and reset when the last lets it go.
#include "RoutingStatusCodes.h"
#include "Topography.h"

namespace vlark {

using nVLAPALS100::tStatus;

EdgeState* Topography<Terminal*, Edge*>::resetEdge(const TerminalNode* node, uint32_t mode, tStatus& status) const {
  if (mode > 1) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kTopography, __LINE__));
    return nullptr;
  }
  EdgeState* edge = nullptr;
  if (mode == 0 && node->terminal->incomingEdgeCount != 0) edge = incomingEdge(node, 0);
  if (mode == 1) edge = firstDefaultIncomingEdge(node);
  if (edge == nullptr) status.setCode(codes::kNoResetEdge, VL_SITE_AT(sites::kTopography, __LINE__));
  return edge;
}

void Topography<Terminal*, Edge*>::calculateResetTerminal(uint64_t owner, Route*& route, uint32_t terminalId,
                                                          uint32_t mode, tStatus& status) {
  route = nullptr;
  if (status.isFatal()) return;
  TerminalNode* node = getTerminalForID(terminalId);
  if (node == nodesEnd()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kTopography, __LINE__));
    return;
  }
  EdgeState* edge = resetEdge(node, mode, status);
  if (edge == nullptr) return;
  Route* reset = newRoute(status);
  if (reset == nullptr) return;
  reset->segments =
      static_cast<Segment*>(resize_ == nullptr ? nullptr : resize_(nullptr, sizeof(Segment), resizeContext_));
  if (reset->segments == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kTopography, __LINE__));
    destroyRoute(reset);
    return;
  }
  reset->segments[0] = Segment{edge, node};
  reset->segmentCount = 1;
  reset->source = node;
  reset->cost = 1;
  reset->owner = owner;
  reset->state = kRouteStateCalculated;
  buildGroupResets(*reset, status);
  if (status.isFatal()) {
    destroyRoute(reset);
    return;
  }
  route = reset;
}

// A node handed in must be one of ours: callers pass getTerminalForID()'s
// answer, which is the end of the array for an unknown id.
bool Topography<Terminal*, Edge*>::isOwnNode(const TerminalNode* node, tStatus& status) const {
  if (node != nullptr && node >= nodes_ && node < nodesEnd()) return true;
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kTopography, __LINE__));
  return false;
}

void Topography<Terminal*, Edge*>::resetTerminal(TerminalNode* node, uint32_t mode, tStatus& status) {
  if (status.isFatal() || !isOwnNode(node, status)) return;
  if (anyGroupMember(node, [this](const TerminalNode* member) { return hasIncomingEdgeInUse(member); })) {
    status.setCode(codes::kTerminalInUse, VL_SITE_AT(sites::kTopography, __LINE__));
    return;
  }
  AutoRouteUnprogrammerTransaction transaction(descriptor_, programmer_);
  const ExclusiveGroup* group = groupOf(node);
  if (group == nullptr) {
    forceResetTerminal(transaction, node, mode, status);
  } else {
    // Members already on their default input are written at once; of those
    // that are not, only the last is reset through the requested mode.
    TerminalNode* remembered = nullptr;
    for (uint32_t k = 0; k < group->memberCount; ++k) {
      TerminalNode* member = &nodes_[group->members[k]];
      if (member->terminal->incomingEdgeCount != 0 && !incomingEdge(member, 0)->edge->isDefault) {
        remembered = member;
        continue;
      }
      tStatus local;
      EdgeState* edge = firstDefaultIncomingEdge(member);
      if (edge == nullptr) {
        local.setCode(codes::kNoResetEdge, VL_SITE_AT(sites::kTopography, __LINE__));
      } else {
        transaction.writeEdge(*edge->edge, local);
      }
      status.merge(local);
    }
    if (remembered != nullptr) forceResetTerminal(transaction, remembered, mode, status);
  }
  transaction.end(status);
}

void Topography<Terminal*, Edge*>::forceResetTerminal(AutoRouteUnprogrammerTransaction& transaction, TerminalNode* node,
                                                      uint32_t mode, tStatus& status) {
  if (status.isFatal() || !isOwnNode(node, status)) return;
  EdgeState* edge = resetEdge(node, mode, status);
  if (edge != nullptr) transaction.writeEdge(*edge->edge, status);
}

bool Topography<Terminal*, Edge*>::isTerminalInUseAsADest(TerminalNode* node, EdgeState**& edges, uint32_t& edgeCount,
                                                          tStatus& status) {
  if (status.isFatal() || !isOwnNode(node, status)) return false;
  uint32_t found = 0;
  anyGroupMember(node, [&](const TerminalNode* member) {
    for (uint32_t i = 0; i < member->terminal->incomingEdgeCount; ++i) found += incomingEdge(member, i)->useCount != 0;
    return false;
  });
  if (found == 0) return false;
  // The allocator does not keep contents: copy into the larger block.
  EdgeState** grown = static_cast<EdgeState**>(
      allocate_ == nullptr ? nullptr
                           : allocate_(nullptr, (uint64_t{edgeCount} + found) * sizeof(EdgeState*), allocateContext_));
  if (grown == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kTopography, __LINE__));
    return true;
  }
  for (uint32_t i = 0; i < edgeCount; ++i) grown[i] = edges[i];
  release(allocate_, allocateContext_, edges);
  edges = grown;
  anyGroupMember(node, [&](const TerminalNode* member) {
    for (uint32_t i = 0; i < member->terminal->incomingEdgeCount; ++i) {
      EdgeState* edge = incomingEdge(member, i);
      if (edge->useCount != 0) edges[edgeCount++] = edge;
    }
    return false;
  });
  return true;
}

void Topography<Terminal*, Edge*>::programRouteSegments(AutoRouteProgrammerTransaction& transaction,
                                                        const Segment* segments, uint32_t segmentCount,
                                                        tStatus& status) {
  if (status.isFatal()) return;
  for (uint32_t s = 0; s < segmentCount; ++s) {
    // A group-reset entry whose member has no default input holds no edge.
    EdgeState* edge = segments[s].edge;
    if (edge == nullptr) continue;
    if (edge->programmedCount == 0) transaction.writeEdge(*edge->edge, status);
    // The failing edge is not counted: it may not be in the hardware.
    if (status.isFatal()) return;
    ++edge->programmedCount;
  }
}

void Topography<Terminal*, Edge*>::unprogramSegments(AutoRouteUnprogrammerTransaction& transaction,
                                                     const Segment* segments, uint32_t segmentCount, bool keepCounts,
                                                     tStatus& status) {
  for (uint32_t s = segmentCount; s-- > 0;) {
    EdgeState* edge = segments[s].edge;
    // A count already at zero belongs to no programmed route (a walk that
    // failed part way never counted its last edge): it must not wrap.
    if (edge == nullptr || edge->programmedCount == 0) continue;
    const uint32_t left = edge->programmedCount - 1;
    if (!keepCounts) edge->programmedCount = left;
    if (left != 0) continue;
    const TerminalNode* node = segments[s].node;
    if ((node->terminal->flags & kTerminalKeepOnUnprogram) != 0) continue;
    tStatus local;
    if (node->terminal->incomingEdgeCount == 0) {
      local.setCode(codes::kNoResetEdge, VL_SITE_AT(sites::kTopography, __LINE__));
    } else {
      transaction.writeEdge(*incomingEdge(node, 0)->edge, local);
    }
    status.merge(local);
  }
}

}  // namespace vlark
