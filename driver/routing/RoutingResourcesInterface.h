// What sessions and requests see of a board's routing state: calculate,
// reserve, program and release routes, reset terminals, and report a
// route's path and state. Records handed to user mode are defined here.
#ifndef VL9738K_ROUTING_ROUTINGRESOURCESINTERFACE_H
#define VL9738K_ROUTING_ROUTINGRESOURCESINTERFACE_H

#include <stdint.h>

#include "RouteTypes.h"
#include "TopographyTables.h"
#include "driver/platform/status/tStatus.h"

namespace vlark {

// One calculated route as user mode receives it.
struct RoutePossibilityBase {
  uint32_t routeId;
  uint32_t destinationTerminalId;
  uint32_t cost;
  int32_t seedIndex;  // the seed the route starts from, -1 when none matches
  uint8_t inverted;
  uint8_t padding[3];
};
static_assert(sizeof(RoutePossibilityBase) == 20, "user mode reads 20-byte results");

// A route in the way of a reservation, named by its owner and id.
struct RouteConflict {
  uint64_t owner;
  uint32_t routeId;
  uint8_t padding[4];
};
static_assert(sizeof(RouteConflict) == 16, "user mode reads 16-byte conflicts");

// Buffers the routing resources fill for a caller come from this function;
// the caller gives them back by calling it with size 0.
struct AllocHelper {
  ResizeFn resize;
  void* context;
  void free(void* block) const {
    if (resize != nullptr && block != nullptr) resize(block, 0, context);
  }
};

class RoutingResourcesInterface {
 public:
  virtual ~RoutingResourcesInterface() = default;

  virtual AllocHelper getAllocHelper() const = 0;
  virtual const TopographyDescriptor* getTopInfo() const = 0;
  virtual void resetTerminal(uint32_t terminalId, uint32_t mode, nVLAPALS100::tStatus& status) = 0;
  virtual uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                          nVLAPALS100::tStatus& status) = 0;
  virtual void resetAllTerminalsToDefault(nVLAPALS100::tStatus& status) = 0;
  // `results` is the caller's buffer (replaced when too small) and
  // `resultCount` its capacity on entry, the number of results on return.
  virtual uint32_t calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                                  const uint32_t* destinationIds, uint32_t destinationCount, uint32_t flags,
                                  RoutePossibilityBase*& results, uint32_t& resultCount,
                                  nVLAPALS100::tStatus& status) = 0;
  virtual void destroyRoute(uint32_t routeId) = 0;
  virtual void reserveRoute(uint32_t routeId, RouteConflict*& conflicts, uint32_t& conflictCount,
                            nVLAPALS100::tStatus& status) = 0;
  virtual void unreserveRoute(uint32_t routeId) = 0;
  virtual void programRoute(uint32_t routeId, nVLAPALS100::tStatus& status) = 0;
  virtual void unprogramRoute(uint32_t routeId) = 0;
  // `path` and `count` as `results` and `resultCount` above.
  virtual void getRouteTerminalPath(uint32_t routeId, uint32_t*& path, uint32_t& count,
                                    nVLAPALS100::tStatus& status) = 0;
  virtual uint32_t getRouteState(uint32_t routeId) = 0;
};

}  // namespace vlark

#endif
