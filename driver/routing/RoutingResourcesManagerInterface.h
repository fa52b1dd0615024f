// What a routing session needs of the manager that knows every session of
// a device and hands them the board's current routing resources.
#ifndef VL9738K_ROUTING_ROUTINGRESOURCESMANAGERINTERFACE_H
#define VL9738K_ROUTING_ROUTINGRESOURCESMANAGERINTERFACE_H

#include "RoutingResourcesInterface.h"

namespace vlark {

template <typename tUserBufferWrapper>
class RoutingSessionBase;

template <typename tUserBufferWrapper>
class RoutingResourcesManagerInterface {
 public:
  virtual ~RoutingResourcesManagerInterface() = default;

  virtual void setRoutingResources(RoutingResourcesInterface* resources) = 0;
  virtual void clearRoutingResources() = 0;
  virtual void registerRoutingSession(RoutingSessionBase<tUserBufferWrapper>& session) = 0;
  // Unlinks the session, when linked, and has it release its routes.
  virtual void unregisterRoutingSession(RoutingSessionBase<tUserBufferWrapper>& session) = 0;
};

}  // namespace vlark

#endif
