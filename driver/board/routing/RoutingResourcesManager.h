// The routing resources a device offers its sessions: the current resources
// (none while the FPGA has no routing block, or while it is reprogrammed)
// and every registered routing session, in a circular list threaded
// through the sessions' links, newest first. One recursive lock guards
// both; it is also the device's routing lock, held around the device's own
// routing set-up and release.
//
// Lock order: this lock, then a session's, then the resources'.
#ifndef VL9738K_BOARD_ROUTING_ROUTINGRESOURCESMANAGER_H
#define VL9738K_BOARD_ROUTING_ROUTINGRESOURCESMANAGER_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/routing/APALUserBufferWrapper.h"
#include "driver/routing/RoutingResourcesManagerInterface.h"
#include "driver/routing/RoutingSessionBase.h"

namespace nVL9738K_24_0 {

using RoutingSessionBase = vlark::RoutingSessionBase<vlark::APALUserBufferWrapper>;

class RoutingResourcesManager final : public vlark::RoutingResourcesManagerInterface<vlark::APALUserBufferWrapper> {
 public:
  explicit RoutingResourcesManager(nVLAPALS100::tStatus& status)
      : resources_(nullptr), head_(nullptr), count_(0), lock_(status) {}
  ~RoutingResourcesManager() override = default;
  RoutingResourcesManager(const RoutingResourcesManager&) = delete;
  RoutingResourcesManager& operator=(const RoutingResourcesManager&) = delete;

  // Hands every registered session the resources, in list order.
  void setRoutingResources(vlark::RoutingResourcesInterface* resources) override;
  // Unlinks every session, clears and demotes it, and forgets the
  // resources: the sessions get none of any later resources.
  void clearRoutingResources() override;
  // Gives the session the current resources, if any, and links it first.
  void registerRoutingSession(RoutingSessionBase& session) override;
  // A linked session is unlinked and cleared, losing its routes.
  void unregisterRoutingSession(RoutingSessionBase& session) override;

  vlark::RoutingResourcesInterface* getCurrentResources() const { return resources_; }
  uint32_t getSessionCount() const { return count_; }
  nVLAPAL000::tMutex& getLock() { return lock_; }

 private:
  static bool isLinked(RoutingSessionBase& session) { return session.link().next != nullptr; }
  void unlink(RoutingSessionBase& session);

  vlark::RoutingResourcesInterface* resources_;
  RoutingSessionBase* head_;
  uint32_t count_;
  nVLAPAL000::tMutex lock_;
};

}  // namespace nVL9738K_24_0

#endif
