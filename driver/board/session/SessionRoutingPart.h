// The routing session of a main-interface session: the routing library's
// session (its routes, the resources it currently works on, its recursive
// lock) with fixed request buffers for the common small calculation, and
// the session's notifier, through which the user hears that the device took
// its routes away. The notifier opens and closes under the same lock, so a
// demotion never notifies through a closing socket.
#ifndef VL9738K_BOARD_SESSION_SESSIONROUTINGPART_H
#define VL9738K_BOARD_SESSION_SESSIONROUTINGPART_H

#include <stdint.h>

#include "driver/board/routing/RoutingResourcesManager.h"
#include "driver/platform/device/tIONotifier.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/routing/RouteTypes.h"

namespace nVL9738K_24_0 {

class SessionRoutingPart final : public RoutingSessionBase {
 public:
  SessionRoutingPart(RoutingResourcesManager* manager, nVLAPAL000::tIONotifier& notifier, nVLAPALS100::tStatus& status);
  SessionRoutingPart(const SessionRoutingPart&) = delete;
  SessionRoutingPart& operator=(const SessionRoutingPart&) = delete;

  // Sends the user an empty notification when the notifier is open; a
  // failure to send is not anyone's to report.
  void demoteSession() override;

  nVLAPAL000::tMutex& getMutex() { return getLock(); }
  // Whether the session was registered with the manager at open: the
  // manager's clearing does not change it, so requests of a session it
  // cleared still find their way to the routing session (and its answer
  // that there are no resources).
  bool isRegistered() const { return registered_ != 0; }
  void setRegistered(bool registered) { registered_ = registered ? 1 : 0; }

 private:
  vlark::RouteCalculationSeedBase seeds_[kFixedBufferEntries];
  uint32_t destinationIds_[kFixedBufferEntries];
  nVLAPAL000::tIONotifier& notifier_;
  uint8_t registered_;
};

}  // namespace nVL9738K_24_0

#endif
