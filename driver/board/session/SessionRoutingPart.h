// The routing part of a main-interface session: the routing resources the
// session currently works on and the link by which the device's routing
// resources manager reaches it. Its own recursive mutex serialises the
// session's routing work with the device taking the resources away, and
// guards the session's notifier, through which the user hears of that.
#ifndef VL9738K_BOARD_SESSION_SESSIONROUTINGPART_H
#define VL9738K_BOARD_SESSION_SESSIONROUTINGPART_H

#include "driver/board/routing/RoutingResourcesManager.h"
#include "driver/platform/device/tIONotifier.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"

namespace nVL9738K_24_0 {

class SessionRoutingPart final : public RoutingSessionLink {
 public:
  SessionRoutingPart(nVLAPAL000::tIONotifier& notifier, nVLAPALS100::tStatus& status);
  SessionRoutingPart(const SessionRoutingPart&) = delete;
  SessionRoutingPart& operator=(const SessionRoutingPart&) = delete;

  void clearRoutingResources() override;
  // Sends the user an empty notification when the notifier is open; a
  // failure to send is not anyone's to report.
  void demoteSession() override;
  void setRoutingResources(RoutingResources* resources) override;

  nVLAPAL000::tMutex& getMutex() { return mutex_; }
  RoutingResources* getRoutingResources() const { return resources_; }
  bool isRegistered() const { return registered_ != 0; }
  void setRegistered(bool registered) { registered_ = registered ? 1 : 0; }

 private:
  nVLAPAL000::tMutex mutex_;
  RoutingResources* resources_;
  nVLAPAL000::tIONotifier& notifier_;
  uint8_t registered_;
};

}  // namespace nVL9738K_24_0

#endif
