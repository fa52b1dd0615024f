// The routing library's session base: what every routing session answers
// before a derived session adds its routes. The protocol has one version,
// and a plain session holds nothing that would need giving up when the
// routing resources go away.
#ifndef VL9738K_ROUTING_ROUTING_SESSION_INTERFACE_H
#define VL9738K_ROUTING_ROUTING_SESSION_INTERFACE_H

#include <stdint.h>

namespace vlark {

template <typename tUserBufferWrapper>
class RoutingSessionInterface {
 public:
  static constexpr uint32_t kVersion = 1;

  RoutingSessionInterface() = default;
  virtual ~RoutingSessionInterface() = default;
  RoutingSessionInterface(const RoutingSessionInterface&) = delete;
  RoutingSessionInterface& operator=(const RoutingSessionInterface&) = delete;

  virtual uint32_t queryVersion() const { return kVersion; }
  virtual void demoteSession() {}
};

}  // namespace vlark

#endif
