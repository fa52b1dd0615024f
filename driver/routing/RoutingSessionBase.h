// The per-session front end of a board's routing resources: it remembers
// which routes its session created, admits operations on a route only for
// that session, copies requests from and to user memory, and gives its
// routes up when the session ends or the resources go away.
//
// Lock order: the session's lock, then the resources' lock. The manager
// calls in holding its own lock first; the session calls the manager only
// from its destructor, not holding its own.
#ifndef VL9738K_ROUTING_ROUTINGSESSIONBASE_H
#define VL9738K_ROUTING_ROUTINGSESSIONBASE_H

#include <stdint.h>

#include "RoutingResourcesManagerInterface.h"
#include "RoutingSessionInterface.h"
#include "driver/platform/containers/Vector.h"
#include "driver/platform/memory/UserBound.h"
#include "driver/platform/sync/tMutex.h"

namespace vlark {

template <typename tUserBufferWrapper>
class RoutingSessionBase : public RoutingSessionInterface<tUserBufferWrapper> {
 public:
  using Wrapper = tUserBufferWrapper;
  using Manager = RoutingResourcesManagerInterface<tUserBufferWrapper>;

  // The manager's list threads through its sessions.
  struct Link {
    RoutingSessionBase* next = nullptr;
    RoutingSessionBase* previous = nullptr;
  };

  // Registration with the manager is the creator's next step.
  RoutingSessionBase(Manager* manager, nVLAPALS100::tStatus& status);
  // Unregisters (which releases every route of the session) when valid.
  ~RoutingSessionBase() override;

  bool isValid() const { return valid_; }
  // Held around every operation; recursive for its owner.
  nVLAPAL000::tMutex& getLock() { return lock_; }
  Link& link() { return link_; }
  Manager* manager() const { return manager_; }
  // The session's route ids, in order of creation.
  const vlhtl::Vector<uint32_t>& routeIds() const { return ids_; }

  uint32_t calculateRoute(uint64_t owner, const Wrapper& seeds, uint32_t seedCount, const Wrapper& destinations,
                          uint32_t destinationCount, uint32_t flags, const Wrapper& results, uint32_t& resultCount,
                          nVLAPALS100::tStatus& status) override;
  uint32_t calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                          const uint32_t* destinationIds, uint32_t destinationCount, uint32_t flags,
                          const Wrapper& results, uint32_t& resultCount, nVLAPALS100::tStatus& status) override;
  void destroyRoute(uint32_t routeId) override;
  void reserveRoute(uint32_t routeId, const Wrapper& conflicts, uint32_t& conflictCount,
                    nVLAPALS100::tStatus& status) override;
  void programRoute(uint32_t routeId, nVLAPALS100::tStatus& status) override;
  void unreserveRoute(uint32_t routeId) override;
  void unprogramRoute(uint32_t routeId) override;
  void resetTerminal(uint32_t terminalId, uint32_t mode, nVLAPALS100::tStatus& status) override;
  uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                  nVLAPALS100::tStatus& status) override;
  void getRouteTerminalPath(uint32_t routeId, const Wrapper& path, uint32_t& count,
                            nVLAPALS100::tStatus& status) override;
  void getTopographyName(const Wrapper& name, nVLAPALS100::tStatus& status) override;
  void setRoutingResources(RoutingResourcesInterface* resources) override;
  void clearRoutingResources() override;

  static constexpr uint32_t kFixedBufferEntries = 16;
  // The most seeds and the most destinations one calculation takes from
  // user mode (-52005 beyond). Terminals may repeat, so the board's
  // terminal count bounds nothing.
  static constexpr uint64_t kMaxRequestEntries = nVLAPAL000::kMaxUserListEntries;

 protected:
  // Buffers of kFixedBufferEntries a derived session lends to calculations;
  // without them every calculation copies its request to the heap.
  void lendFixedBuffers(RouteCalculationSeedBase* seeds, uint32_t* destinationIds) {
    fixedSeeds_ = seeds;
    fixedDestinationIds_ = destinationIds;
  }

 private:
  bool hasResources(nVLAPALS100::tStatus& status);
  bool owns(uint32_t routeId) const;
  bool makeRoomForIds(uint64_t count, nVLAPALS100::tStatus& status);
  void destroyRoutes(const RoutePossibilityBase* results, uint32_t count);
  template <typename T>
  T* readRequest(const Wrapper& buffer, uint32_t count, T* fixed, nVLAPALS100::tStatus& status);

  Link link_;
  Manager* manager_;
  RoutingResourcesInterface* resources_;
  vlhtl::Vector<uint32_t> ids_;
  nVLAPAL000::tMutex lock_;
  bool valid_;
  RouteCalculationSeedBase* fixedSeeds_;
  uint32_t* fixedDestinationIds_;
};

}  // namespace vlark

#endif
