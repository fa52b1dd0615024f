#include "RoutingResourcesManager.h"

namespace nVL9738K_24_0 {

void RoutingResourcesManager::registerRoutingSession(RoutingSessionLink& session) {
  if (session.linked_) return;
  session.previous_ = nullptr;
  session.next_ = head_;
  if (head_ != nullptr) head_->previous_ = &session;
  head_ = &session;
  session.linked_ = true;
  ++count_;
}

void RoutingResourcesManager::unregisterRoutingSession(RoutingSessionLink& session) {
  if (!session.linked_) return;
  if (session.previous_ != nullptr) {
    session.previous_->next_ = session.next_;
  } else {
    head_ = session.next_;
  }
  if (session.next_ != nullptr) session.next_->previous_ = session.previous_;
  session.next_ = session.previous_ = nullptr;
  session.linked_ = false;
  --count_;
}

void RoutingResourcesManager::releaseSessions() {
  while (head_ != nullptr) {
    RoutingSessionLink& session = *head_;
    unregisterRoutingSession(session);
    session.clearRoutingResources();
    session.demoteSession();
  }
  current_ = nullptr;
}

void RoutingResourcesManager::install(RoutingResources* resources) {
  current_ = resources;
  for (RoutingSessionLink* session = head_; session != nullptr; session = session->next_) {
    session->setRoutingResources(resources);
  }
}

}  // namespace nVL9738K_24_0
