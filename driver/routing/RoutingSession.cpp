#include "RoutingSession.h"

namespace vlark {

RoutingSession<Terminal*, Edge*, APALUserBufferWrapper>::RoutingSession(Manager* manager, nVLAPALS100::tStatus& status)
    : RoutingSessionBase<APALUserBufferWrapper>(manager, status), seeds_(), destinationIds_() {
  lendFixedBuffers(seeds_, destinationIds_);
}

RoutingSession<Terminal*, Edge*, APALUserBufferWrapper>::~RoutingSession() {
  if (notifier_.isInitialized()) notifier_.close();
}

void RoutingSession<Terminal*, Edge*, APALUserBufferWrapper>::demoteSession() {
  if (!notifier_.isInitialized()) return;
  nVLAPALS100::tStatus ignored;
  notifier_.notify(nullptr, 0, ignored);
}

}  // namespace vlark
