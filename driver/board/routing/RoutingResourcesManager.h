// The routing resources a device offers its sessions: the current resources
// (none while the FPGA has no routing block, or while it is reprogrammed)
// and the routing sessions of the open main-interface sessions, linked in
// while the session is open. The device holds its routing lock around
// every call.
#ifndef VL9738K_BOARD_ROUTING_ROUTINGRESOURCESMANAGER_H
#define VL9738K_BOARD_ROUTING_ROUTINGRESOURCESMANAGER_H

#include <stdint.h>

namespace nVL9738K_24_0 {

class RoutingResources;

// What a session's routing part offers the manager.
class RoutingSessionLink {
 public:
  virtual ~RoutingSessionLink() = default;
  virtual void clearRoutingResources() = 0;
  // Tells the session's user that its routes are gone.
  virtual void demoteSession() = 0;
  virtual void setRoutingResources(RoutingResources* resources) = 0;

 private:
  friend class RoutingResourcesManager;
  RoutingSessionLink* next_ = nullptr;
  RoutingSessionLink* previous_ = nullptr;
  bool linked_ = false;
};

class RoutingResourcesManager {
 public:
  RoutingResourcesManager() = default;
  RoutingResourcesManager(const RoutingResourcesManager&) = delete;
  RoutingResourcesManager& operator=(const RoutingResourcesManager&) = delete;

  void registerRoutingSession(RoutingSessionLink& session);
  void unregisterRoutingSession(RoutingSessionLink& session);

  // Unlinks every session, clearing its resources and demoting it, and
  // drops the current resources.
  void releaseSessions();
  // Makes `resources` current and hands them to every linked session.
  void install(RoutingResources* resources);

  RoutingResources* getCurrentResources() const { return current_; }
  uint32_t getSessionCount() const { return count_; }

 private:
  RoutingResources* current_ = nullptr;
  RoutingSessionLink* head_ = nullptr;
  uint32_t count_ = 0;
};

}  // namespace nVL9738K_24_0

#endif
