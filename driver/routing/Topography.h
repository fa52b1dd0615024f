// The routing graph of one FPGA design and its working state: which cheapest
// paths lead from a set of source terminals to a set of destinations, which
// single edge puts a terminal back into its reset state, and how the edges
// of a route are written to and taken out of the hardware.
//
// The topography has no lock: its owner serialises every entry. Costs,
// flags and the open set are valid only within one calculation.
#ifndef VL9738K_ROUTING_TOPOGRAPHY_H
#define VL9738K_ROUTING_TOPOGRAPHY_H

#include <stdint.h>

#include "AutoRouteProgrammerTransaction.h"
#include "OpenSet.h"
#include "RouteProgrammerInterface.h"
#include "RouteTypes.h"
#include "TopographyTables.h"
#include "driver/platform/status/tStatus.h"

namespace vlark {

template <typename tTerminal, typename tEdge>
class Topography;

enum RouteCalculationFlags : uint32_t {
  kUseUnavailableEdges = 1u << 0,
};

template <>
class Topography<Terminal*, Edge*> {
 public:
  Topography();

  // Builds the working state over the generated tables (whose indexes the
  // generator has checked): one node per terminal (and one open-set slot
  // each) and one state per edge, all owned by the caller.
  void init(const TopographyDescriptor* descriptor, TerminalNode* nodes, EdgeState* edgeStates,
            OpenSetEntry* openSetSlots, RouteProgrammerInterface* programmer, nVLAPALS100::tStatus& status);
  // Path buffers grow through `resize`; route records, result arrays and
  // group-reset lists come from `allocate`. Both release with size 0.
  void setAllocators(ResizeFn resize, void* resizeContext, ResizeFn allocate, void* allocateContext);
  void setPredicate(RouteCalculationPredicateInterface* predicate) { predicate_ = predicate; }

  // Cheapest routes from the admitted seeds to the destinations (and to the
  // other members of their exclusive groups). Returns 1 when the search ran
  // and reached nothing, else 0; the routes come from the allocator.
  uint32_t calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                          SeedFilter seedFilter, const uint32_t* destinationIds, uint32_t destinationCount,
                          uint32_t flags, Route**& routes, uint32_t& routeCount, nVLAPALS100::tStatus& status);
  // A one-segment route that drives the terminal from its reset edge: mode 0
  // the first incoming edge, mode 1 the first default one.
  void calculateResetTerminal(uint64_t owner, Route*& route, uint32_t terminalId, uint32_t mode,
                              nVLAPALS100::tStatus& status);

  void resetTerminal(TerminalNode* node, uint32_t mode, nVLAPALS100::tStatus& status);
  void forceResetTerminal(AutoRouteUnprogrammerTransaction& transaction, TerminalNode* node, uint32_t mode,
                          nVLAPALS100::tStatus& status);
  // Appends every in-use incoming edge of the terminal (or of its group's
  // members) to `edges`, a block of the allocator, and tells whether any was.
  bool isTerminalInUseAsADest(TerminalNode* node, EdgeState**& edges, uint32_t& edgeCount,
                              nVLAPALS100::tStatus& status);

  void programRouteSegments(AutoRouteProgrammerTransaction& transaction, const Segment* segments, uint32_t segmentCount,
                            nVLAPALS100::tStatus& status);
  template <typename tRoute>
  void unprogramRoute(tRoute& route) {
    writeUnprogram(route, false);
    route.state = kRouteStateReserved;
  }
  // The same writes while the programmer records them into a list instead
  // of the hardware: the hardware keeps the route, and so do the counts and
  // the route's state.
  template <typename tRoute>
  void recordUnprogram(tRoute& route) {
    writeUnprogram(route, true);
  }

  // The node of a terminal id, or nodesEnd() when there is none.
  TerminalNode* getTerminalForID(uint32_t id) const;
  TerminalNode* nodesEnd() const { return nodes_ + nodeCount_; }
  TerminalNode* nodes() const { return nodes_; }
  uint32_t nodeCount() const { return nodeCount_; }
  EdgeState* edgeStates() const { return edgeStates_; }
  uint32_t edgeCount() const { return edgeCount_; }
  const TopographyDescriptor* descriptor() const { return descriptor_; }

  void destroyRoute(Route* route);
  void destroyRouteArray(Route** routes, uint32_t count);

 private:
  void resetSearch(uint32_t flags);
  bool takeSeeds(const RouteCalculationSeedBase* seeds, uint32_t seedCount, SeedFilter seedFilter,
                 nVLAPALS100::tStatus& status);
  bool takeDestinations(const uint32_t* destinationIds, uint32_t destinationCount, nVLAPALS100::tStatus& status);
  void markDestination(TerminalNode* node);
  void search();
  void relaxOutgoingEdges(TerminalNode* current);
  bool mayTake(const TerminalNode* current, const EdgeState& edge, const TerminalNode* target) const;

  uint32_t buildRoutes(Route** slots, uint32_t slotCount, nVLAPALS100::tStatus& status);
  Route* routeTo(TerminalNode* destination, nVLAPALS100::tStatus& status);
  Route* alternativeOf(const Route& route, nVLAPALS100::tStatus& status);
  void thinGroupRoutes(Route** routes, uint32_t& count);
  void buildGroupResets(Route& route, nVLAPALS100::tStatus& status);
  uint32_t compact(Route** routes, uint32_t count) const;

  Route* newRoute(nVLAPALS100::tStatus& status);
  void release(ResizeFn fn, void* context, void* block) const;

  template <typename tRoute>
  void writeUnprogram(tRoute& route, bool keepCounts) {
    AutoRouteUnprogrammerTransaction transaction(descriptor_, programmer_);
    nVLAPALS100::tStatus local;
    unprogramSegments(transaction, route.segments, route.segmentCount, keepCounts, local);
    unprogramSegments(transaction, route.groupResets, route.groupResetCount, keepCounts, local);
    transaction.end(local);
  }
  void unprogramSegments(AutoRouteUnprogrammerTransaction& transaction, const Segment* segments, uint32_t segmentCount,
                         bool keepCounts, nVLAPALS100::tStatus& status);

  bool isOwnNode(const TerminalNode* node, nVLAPALS100::tStatus& status) const;
  const ExclusiveGroup* groupOf(const TerminalNode* node) const;
  template <typename tVisit>
  bool anyGroupMember(TerminalNode* node, tVisit visit) const;
  TerminalNode* targetOf(const EdgeState& edge) const { return &nodes_[edge.edge->target]; }
  EdgeState* incomingEdge(const TerminalNode* node, uint32_t i) const;
  EdgeState* firstDefaultIncomingEdge(const TerminalNode* node) const;
  EdgeState* resetEdge(const TerminalNode* node, uint32_t mode, nVLAPALS100::tStatus& status) const;
  bool hasIncomingEdgeInUse(const TerminalNode* node) const;
  bool hasOutgoingEdgeInUse(const TerminalNode* node) const;

  TerminalNode* nodes_;
  uint32_t nodeCount_;
  EdgeState* edgeStates_;
  uint32_t edgeCount_;
  RouteCalculationPredicateInterface* predicate_;
  bool useUnavailableEdges_;
  bool hasInvertingEdges_;
  OpenSet openSet_;
  uint32_t destinationCount_;
  uint32_t settledCount_;
  ResizeFn resize_;
  void* resizeContext_;
  ResizeFn allocate_;
  void* allocateContext_;
  const TopographyDescriptor* descriptor_;
  RouteProgrammerInterface* programmer_;
};

// A terminal without a group stands for itself; a grouped terminal stands
// for its group's members (none, when the member list is empty).
template <typename tVisit>
bool Topography<Terminal*, Edge*>::anyGroupMember(TerminalNode* node, tVisit visit) const {
  const ExclusiveGroup* group = groupOf(node);
  if (group == nullptr) return visit(node);
  for (uint32_t i = 0; i < group->memberCount; ++i) {
    if (visit(&nodes_[group->members[i]])) return true;
  }
  return false;
}

}  // namespace vlark

#endif
