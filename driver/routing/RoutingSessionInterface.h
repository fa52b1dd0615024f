// The routing library's session interface: what every routing session
// answers. The protocol has one version; an operation a session does not
// serve reports "not supported", and a plain session holds nothing that
// would need giving up when the routing resources go away.
#ifndef VL9738K_ROUTING_ROUTING_SESSION_INTERFACE_H
#define VL9738K_ROUTING_ROUTING_SESSION_INTERFACE_H

#include <stdint.h>

#include "RouteTypes.h"
#include "RoutingResourcesInterface.h"
#include "driver/platform/status/tStatus.h"

namespace vlark {

template <typename tUserBufferWrapper>
class RoutingSessionInterface {
 public:
  using Wrapper = tUserBufferWrapper;
  static constexpr uint32_t kVersion = 1;

  RoutingSessionInterface() = default;
  virtual ~RoutingSessionInterface() = default;
  RoutingSessionInterface(const RoutingSessionInterface&) = delete;
  RoutingSessionInterface& operator=(const RoutingSessionInterface&) = delete;

  virtual uint32_t queryVersion() const { return kVersion; }
  // The request in user memory: seedCount seeds, destinationCount ids.
  virtual uint32_t calculateRoute(uint64_t, const Wrapper&, uint32_t, const Wrapper&, uint32_t, uint32_t,
                                  const Wrapper&, uint32_t&, nVLAPALS100::tStatus& status) {
    return notSupported(status);
  }
  virtual uint32_t calculateRoute(uint64_t, const RouteCalculationSeedBase*, uint32_t, const uint32_t*, uint32_t,
                                  uint32_t, const Wrapper&, uint32_t&, nVLAPALS100::tStatus& status) {
    return notSupported(status);
  }
  virtual void destroyRoute(uint32_t) {}
  virtual void reserveRoute(uint32_t, const Wrapper&, uint32_t&, nVLAPALS100::tStatus& status) { notSupported(status); }
  virtual void programRoute(uint32_t, nVLAPALS100::tStatus& status) { notSupported(status); }
  virtual void unreserveRoute(uint32_t) {}
  virtual void unprogramRoute(uint32_t) {}
  virtual void resetTerminal(uint32_t, uint32_t, nVLAPALS100::tStatus& status) { notSupported(status); }
  virtual uint32_t calculateResetTerminal(uint64_t, uint32_t, uint32_t, nVLAPALS100::tStatus& status) {
    return notSupported(status);
  }
  virtual void getRouteTerminalPath(uint32_t, const Wrapper&, uint32_t&, nVLAPALS100::tStatus& status) {
    notSupported(status);
  }
  virtual void getTopographyName(const Wrapper&, nVLAPALS100::tStatus& status) { notSupported(status); }
  virtual void demoteSession() {}
  virtual void setRoutingResources(RoutingResourcesInterface*) {}
  virtual void clearRoutingResources() {}

 private:
  static uint32_t notSupported(nVLAPALS100::tStatus& status) {
    if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return 0;
  }
};

}  // namespace vlark

#endif
