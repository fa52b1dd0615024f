#include "RoutingResourcesManager.h"

namespace nVL9738K_24_0 {

using nVLAPAL000::tAutoLock;
using nVLAPAL000::tMutex;

void RoutingResourcesManager::registerRoutingSession(RoutingSessionBase& session) {
  tAutoLock<tMutex> lock(lock_);
  if (resources_ != nullptr) session.setRoutingResources(resources_);
  if (isLinked(session)) return;
  if (head_ == nullptr) {
    session.link().next = session.link().previous = &session;
  } else {
    RoutingSessionBase* tail = head_->link().previous;
    session.link().next = head_;
    session.link().previous = tail;
    tail->link().next = &session;
    head_->link().previous = &session;
  }
  head_ = &session;
  ++count_;
}

void RoutingResourcesManager::unlink(RoutingSessionBase& session) {
  RoutingSessionBase* next = session.link().next;
  RoutingSessionBase* previous = session.link().previous;
  if (next == &session) {
    head_ = nullptr;
  } else {
    previous->link().next = next;
    next->link().previous = previous;
    if (head_ == &session) head_ = next;
  }
  session.link().next = session.link().previous = nullptr;
  --count_;
}

void RoutingResourcesManager::unregisterRoutingSession(RoutingSessionBase& session) {
  tAutoLock<tMutex> lock(lock_);
  if (!isLinked(session)) return;
  unlink(session);
  session.clearRoutingResources();
}

void RoutingResourcesManager::setRoutingResources(vlark::RoutingResourcesInterface* resources) {
  tAutoLock<tMutex> lock(lock_);
  resources_ = resources;
  RoutingSessionBase* session = head_;
  for (uint32_t i = 0; i < count_; ++i, session = session->link().next) session->setRoutingResources(resources);
}

void RoutingResourcesManager::clearRoutingResources() {
  tAutoLock<tMutex> lock(lock_);
  while (head_ != nullptr) {
    RoutingSessionBase& session = *head_;
    unlink(session);
    session.clearRoutingResources();
    session.demoteSession();
  }
  resources_ = nullptr;
}

}  // namespace nVL9738K_24_0
