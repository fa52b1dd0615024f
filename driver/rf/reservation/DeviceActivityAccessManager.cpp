#include "DeviceActivityAccessManager.h"

#include "../../platform/memory/Memory.h"

namespace rfyulreserve_impl {

using nVLAPALS100::tStatus;
using rfyulreserve::DeviceActivityContextID;

namespace {
constexpr const char kSite[] = "DeviceActivityAccessManager";
}

DeviceActivityAccessManager::~DeviceActivityAccessManager() {
  activities_.clear([](Node& node) { delete &node; });
}

DeviceActivityContextID DeviceActivityAccessManager::registerDeviceActivity(
    rfyulreserve::iDeviceActivityAccess* activity, tStatus& status) {
  if (status.isFatal()) return rfyulreserve::kInvalidDeviceActivityContextID;
  const DeviceActivityContextID id = tokens_.createToken(activity->getDescriptor(), status);
  auto* node = new (status, nVLAPAL000::kAllocationKindPlain) Node{id, activity, {}};
  if (node == nullptr) {
    // The token stays only while a node names it.
    if (id != rfyulreserve::kInvalidDeviceActivityContextID) {
      tStatus local;
      tokens_.releaseToken(id, local);
    }
    return rfyulreserve::kInvalidDeviceActivityContextID;
  }
  activities_.insert(*node);
  return id;
}

void DeviceActivityAccessManager::unregisterDeviceActivity(DeviceActivityContextID id, tStatus& status) {
  if (status.isFatal()) return;
  Node* node = activities_.find(id);
  if (node == nullptr) {
    status.setCode(notFoundCode_, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  activities_.erase(*node);
  delete node;
  tokens_.releaseToken(id, status);
}

rfyulreserve::iDeviceActivityAccess* DeviceActivityAccessManager::getDeviceActivity(DeviceActivityContextID id,
                                                                                    tStatus& status) {
  if (status.isFatal()) return nullptr;
  Node* node = activities_.find(id);
  if (node != nullptr) return node->activity;
  status.setCode(notFoundCode_, VL_SITE_AT(kSite, __LINE__));
  return nullptr;
}

}  // namespace rfyulreserve_impl
