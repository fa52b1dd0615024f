// The routing state of one board, shared by every session: the topography,
// the database of calculated, reserved and programmed routes, the route
// programmer that writes edges into the hardware, and one recursive lock
// under which every operation runs.
//
// A route's edges count in the edge states while it holds them: the use
// count (reserved or programmed routes), availability (no other edge into
// the same terminal is in use) and the programmed count (programmed routes;
// the hardware holds an edge exactly while its count is non-zero).
#ifndef VL9738K_ROUTING_ROUTINGRESOURCES_H
#define VL9738K_ROUTING_ROUTINGRESOURCES_H

#include <stdint.h>

#include "GrowOnlyArena.h"
#include "RouteDatabase.h"
#include "RoutingResourcesInterface.h"
#include "Topography.h"
#include "driver/platform/sync/tMutex.h"

namespace vlark {

template <typename tTerminal, typename tEdge>
class RoutingResources;

template <>
class RoutingResources<Terminal*, Edge*> : public RoutingResourcesInterface {
 public:
  // The working state (one node and one open-set slot per terminal, one
  // state per edge) is the caller's, as are the tables. Buffers handed to
  // callers come from `resize` with `resizeContext`.
  RoutingResources(const TopographyDescriptor* descriptor, TerminalNode* nodes, EdgeState* edgeStates,
                   OpenSetEntry* openSetSlots, RouteProgrammerInterface* programmer, ResizeFn resize,
                   void* resizeContext, RouteCalculationPredicateInterface* predicate, nVLAPALS100::tStatus& status);
  // Releases every route (taking programmed ones out of the hardware)
  // before the lock goes.
  ~RoutingResources() override;
  RoutingResources(const RoutingResources&) = delete;
  RoutingResources& operator=(const RoutingResources&) = delete;

  bool isConstructed() const { return constructed_; }

  AllocHelper getAllocHelper() const override { return AllocHelper{resize_, resizeContext_}; }
  const TopographyDescriptor* getTopInfo() const override { return topography_.descriptor(); }
  void resetTerminal(uint32_t terminalId, uint32_t mode, nVLAPALS100::tStatus& status) override;
  uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                  nVLAPALS100::tStatus& status) override;
  void resetAllTerminalsToDefault(nVLAPALS100::tStatus& status) override;
  uint32_t calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                          const uint32_t* destinationIds, uint32_t destinationCount, uint32_t flags,
                          RoutePossibilityBase*& results, uint32_t& resultCount, nVLAPALS100::tStatus& status) override;
  void destroyRoute(uint32_t routeId) override;
  void reserveRoute(uint32_t routeId, RouteConflict*& conflicts, uint32_t& conflictCount,
                    nVLAPALS100::tStatus& status) override;
  void unreserveRoute(uint32_t routeId) override;
  void programRoute(uint32_t routeId, nVLAPALS100::tStatus& status) override;
  void unprogramRoute(uint32_t routeId) override;
  void getRouteTerminalPath(uint32_t routeId, uint32_t*& path, uint32_t& count, nVLAPALS100::tStatus& status) override;
  uint32_t getRouteState(uint32_t routeId) override;

  Topography<Terminal*, Edge*>& topography() { return topography_; }
  RouteDatabase& database() { return database_; }

 private:
  // Installs an arena as the topography's allocators for one operation and
  // takes it away again, with every chunk, at the end of the scope.
  class ArenaScope {
   public:
    ArenaScope(Topography<Terminal*, Edge*>& topography, uint64_t chunkSize);
    ~ArenaScope();
    ArenaScope(const ArenaScope&) = delete;
    ArenaScope& operator=(const ArenaScope&) = delete;

    GrowOnlyArena& arena() { return arena_; }

   private:
    Topography<Terminal*, Edge*>& topography_;
    GrowOnlyArena arena_;
  };

  bool knowsTerminals(const RouteCalculationSeedBase* seeds, uint32_t seedCount, const uint32_t* destinationIds,
                      uint32_t destinationCount, nVLAPALS100::tStatus& status);
  void keepCheaperOfEachPair(Route** a, uint32_t& aCount, Route** b, uint32_t& bCount);
  void publish(Route** routes, uint32_t count, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
               bool constrained, RoutePossibilityBase* results, uint32_t& filled, nVLAPALS100::tStatus& status);
  void* growCallerBuffer(void* buffer, uint64_t bytes, nVLAPALS100::tStatus& status);

  bool collectConflictingEdges(const RouteInDB& route, GrowOnlyArena& arena, EdgeState**& edges, uint32_t& count,
                               nVLAPALS100::tStatus& status);
  bool appendInUseOutgoingEdges(TerminalNode* node, GrowOnlyArena& arena, EdgeState**& edges, uint32_t& count,
                                nVLAPALS100::tStatus& status);
  void reportConflicts(EdgeState* const* edges, uint32_t edgeCount, RouteConflict*& conflicts, uint32_t& conflictCount);
  void takeEdges(RouteInDB& route);
  void releaseEdges(RouteInDB& route);
  void release(RouteInDB& route);

  Topography<Terminal*, Edge*> topography_;
  RouteProgrammerInterface* programmer_;
  // The lock outlives the database: the destructor releases routes, which
  // writes the hardware, before the mutex goes.
  nVLAPAL000::tMutex lock_;
  RouteDatabase database_;
  bool constructed_;
  ResizeFn resize_;
  void* resizeContext_;
};

}  // namespace vlark

#endif
