#include "ReservationPolicyMetaresourceManager.h"

#include "../../platform/memory/Memory.h"

namespace rfyulreserve_impl {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationPolicyID;

namespace {
constexpr const char kSite[] = "ReservationPolicyMetaresourceManager";
}

ReservationPolicyMetaresourceManager::~ReservationPolicyMetaresourceManager() {
  lists_.clear([](Node& node) { delete &node; });
}

void ReservationPolicyMetaresourceManager::add(ReservationPolicyID id, const PolicyIDList& children, tStatus& status) {
  if (status.isFatal()) return;
  if (id == rfyulreserve::kInvalidReservationPolicyID) {
    status.setCode(invalidIdCode_, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  auto* node = new (status, nVLAPAL000::kAllocationKindPlain) Node{id, {}, {}};
  if (node == nullptr) return;
  node->children.insert_(node->children.end(), children.begin(), children.end(), status);
  if (status.isNotFatal() && lists_.find(id) != nullptr) status.setCode(duplicateCode_, VL_SITE_AT(kSite, __LINE__));
  if (status.isFatal()) {
    delete node;
    return;
  }
  lists_.insert(*node);
}

void ReservationPolicyMetaresourceManager::remove(ReservationPolicyID id, tStatus& status) {
  if (status.isFatal()) return;
  Node* node = lists_.find(id);
  if (node == nullptr) {
    status.setCode(notFoundCode_, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  lists_.erase(*node);
  delete node;
}

const ReservationPolicyMetaresourceManager::Node* ReservationPolicyMetaresourceManager::find(ReservationPolicyID id,
                                                                                             tStatus& status) const {
  const Node* node = lists_.find(id);
  if (node == nullptr) status.setCode(notFoundCode_, VL_SITE_AT(kSite, __LINE__));
  return node;
}

uint64_t ReservationPolicyMetaresourceManager::count(ReservationPolicyID id, tStatus& status) {
  if (status.isFatal()) return 0;
  const Node* node = find(id, status);
  return node != nullptr ? node->children.size() : 0;
}

void ReservationPolicyMetaresourceManager::copyOut(ReservationPolicyID id, uint64_t maxCount, PolicyIDList& out,
                                                   tStatus& status) {
  if (status.isFatal()) return;
  const Node* node = find(id, status);
  if (node == nullptr) return;
  if (node->children.size() > maxCount) {
    status.setCode(bufferTooSmallCode_, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  PolicyIDList copy;
  copy.insert_(copy.end(), node->children.begin(), node->children.end(), status);
  if (status.isNotFatal()) out.swap(copy);
}

}  // namespace rfyulreserve_impl
