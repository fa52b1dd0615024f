// The routing session each user session of the main interface carries:
// the session base with fixed request buffers for the common small
// calculation, and the I/O notifier through which user mode learns that
// its routes were taken away.
#ifndef VL9738K_ROUTING_ROUTINGSESSION_H
#define VL9738K_ROUTING_ROUTINGSESSION_H

#include <stdint.h>

#include "APALUserBufferWrapper.h"
#include "RoutingSessionBase.h"
#include "TopographyTables.h"
#include "driver/platform/device/tIONotifier.h"

namespace vlark {

template <typename tTerminal, typename tEdge, typename tUserBufferWrapper>
class RoutingSession;

template <>
class RoutingSession<Terminal*, Edge*, APALUserBufferWrapper> : public RoutingSessionBase<APALUserBufferWrapper> {
 public:
  RoutingSession(Manager* manager, nVLAPALS100::tStatus& status);
  // Closes the notifier (its listener hears the close) before the base
  // gives up the routes.
  ~RoutingSession() override;

  // Sends an empty notification when user mode listens; nothing to report
  // if it cannot be sent.
  void demoteSession() override;

  // User mode creates the notifier through its session; it is present once
  // initialised.
  nVLAPAL000::tIONotifier& notifier() { return notifier_; }

 private:
  RouteCalculationSeedBase seeds_[kFixedBufferEntries];
  uint32_t destinationIds_[kFixedBufferEntries];
  nVLAPAL000::tIONotifier notifier_;
};

}  // namespace vlark

#endif
