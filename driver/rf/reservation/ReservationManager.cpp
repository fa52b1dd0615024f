#include "ReservationManager.h"

#include "../../platform/memory/Memory.h"

namespace rfyulreserve_impl {

using nVLAPALS100::tStatus;
using rfyulreserve::reservation_ReservationDirtiness;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::ReserveErrorInfo;
using rfyulreserve::tokenValue;

namespace {
constexpr const char kSite[] = "ReservationManager";
}

ReservationManager::ReservationManager(iDeviceActivityAccessProvider* deviceActivities,
                                       rfyulreserve::ReservationIdleCallback idleCallback, int32_t code1, int32_t code2,
                                       int32_t code3, int32_t code4)
    : deviceActivities_(deviceActivities),
      idleCallback_(idleCallback),
      policyNotFoundCode_(code2),
      tokens_(code3, code2, code1, code4) {}

ReservationManager::~ReservationManager() {
  policies_.clear([](Node& node) { delete &node; });
}

ReservationPolicyID ReservationManager::registerPolicy(iReservationPolicy* policy, tStatus& status) {
  if (status.isFatal()) return rfyulreserve::kInvalidReservationPolicyID;
  const ReservationPolicyID id = tokens_.createToken(policy->getDescriptor(), status);
  auto* node = new (status, nVLAPAL000::kAllocationKindPlain) Node{id, policy, {}};
  if (node == nullptr) {
    // The token stays only while a node names it.
    if (tokenValue(id) != 0) {
      tStatus local;
      tokens_.releaseToken(id, local);
    }
    return rfyulreserve::kInvalidReservationPolicyID;
  }
  policies_.insert(*node);
  return id;
}

void ReservationManager::unregisterPolicy(ReservationPolicyID id, tStatus& status) {
  if (status.isFatal()) return;
  Node* node = policies_.find(id);
  if (node == nullptr) {
    status.setCode(policyNotFoundCode_, VL_SITE_AT(kSite, __LINE__));
    return;
  }
  policies_.erase(*node);
  delete node;
  tokens_.releaseToken(id, status);
}

iReservationPolicy* ReservationManager::find(ReservationPolicyID id, tStatus& status) const {
  Node* node = policies_.find(id);
  if (node != nullptr) return node->policy;
  status.setCode(policyNotFoundCode_, VL_SITE_AT(kSite, __LINE__));
  return nullptr;
}

void ReservationManager::tryReservePolicy(ReservationPolicyID id, ReservationClientID client,
                                          reservation_ReservationDirtiness& dirtiness,
                                          ReservationClientID& conflictingClient, tStatus& status) {
  if (status.isFatal()) return;
  iReservationPolicy* policy = find(id, status);
  if (policy == nullptr) {
    conflictingClient = rfyulreserve::kInvalidReservationClientID;
    return;
  }
  policy->reserve(client, dirtiness, conflictingClient, status);
}

void ReservationManager::releasePolicy(ReservationPolicyID id, ReservationClientID client, tStatus& status) {
  if (status.isFatal()) return;
  iReservationPolicy* policy = find(id, status);
  if (policy != nullptr) policy->release(client);
}

void ReservationManager::rollBack(ReservationClientID client, const PolicyIDList& policies, uint64_t count) {
  tStatus local;
  for (uint64_t j = 0; j < count; ++j) releasePolicy(policies[j], client, local);
}

void ReservationManager::reserveWithErrorInfo(ReservationClientID client, const PolicyIDList& policies,
                                              DirtinessList& dirtiness, ReserveErrorInfo& errorInfo, tStatus& status) {
  if (status.isFatal()) return;
  dirtiness.resize(policies.size(), rfyulreserve::kSettingsMustBeCommitted, status);
  if (status.isFatal()) return;
  ReservationClientID conflicting = rfyulreserve::kInvalidReservationClientID;
  for (uint64_t i = 0; i < policies.size(); ++i) {
    tryReservePolicy(policies[i], client, dirtiness[i], conflicting, status);
    if (status.isFatal()) {
      rollBack(client, policies, i);
      errorInfo = {tokenValue(policies[i]), tokenValue(conflicting)};
      return;
    }
  }
}

reservation_ReservationDirtiness ReservationManager::reserve(ReservationClientID client, const PolicyIDList& policies,
                                                             ReserveErrorInfo& errorInfo, tStatus& status) {
  reservation_ReservationDirtiness result = rfyulreserve::kCommittedSettingsServe;
  if (status.isFatal()) return result;
  // One variable for the whole list: once a policy answers 0 it stays 0.
  reservation_ReservationDirtiness dirtiness = rfyulreserve::kCommittedSettingsServe;
  ReservationClientID conflicting = rfyulreserve::kInvalidReservationClientID;
  for (uint64_t i = 0; i < policies.size(); ++i) {
    tryReservePolicy(policies[i], client, dirtiness, conflicting, status);
    if (dirtiness == rfyulreserve::kSettingsMustBeCommitted) result = rfyulreserve::kSettingsMustBeCommitted;
    if (status.isFatal()) {
      rollBack(client, policies, i);
      errorInfo = {tokenValue(policies[i]), tokenValue(conflicting)};
      return result;
    }
  }
  return result;
}

void ReservationManager::release(ReservationClientID client, const PolicyIDList& policies, tStatus& status) {
  for (uint64_t i = 0; i < policies.size() && status.isNotFatal(); ++i) releasePolicy(policies[i], client, status);
}

void ReservationManager::deferReleaseUntilIdle(ReservationClientID client,
                                               rfyulreserve::DeviceActivityContextID context,
                                               const PolicyIDList& policies, tStatus& status) {
  if (status.isFatal()) return;
  const rfyulreserve::iDeviceActivityAccess* activity = deviceActivities_->getDeviceActivity(context, status);
  // A client that defers is reported busy until the policies find it idle;
  // a refused deferral of a non-empty list reports nothing.
  if (policies.empty()) {
    idleCallback_(client, false, status);
    return;
  }
  for (uint64_t i = 0; i < policies.size(); ++i) {
    if (status.isFatal()) return;
    iReservationPolicy* policy = find(policies[i], status);
    if (policy != nullptr) policy->deferReleaseUntilIdle(client, activity, idleCallback_, status);
  }
  if (status.isNotFatal()) idleCallback_(client, false, status);
}

template <typename tVisit>
void ReservationManager::forEachPolicy(tVisit visit) {
  for (Node* node = policies_.first(); node != nullptr; node = policies_.next(node)) visit(*node->policy);
}

void ReservationManager::releaseClient(ReservationClientID client) {
  forEachPolicy([client](iReservationPolicy& policy) { policy.releaseAll(client); });
}

void ReservationManager::releaseIfIdle(tStatus& status) {
  forEachPolicy([&status](iReservationPolicy& policy) { policy.releaseIfIdle(status); });
}

void ReservationManager::deviceReset() {
  forEachPolicy([](iReservationPolicy& policy) { policy.deviceReset(); });
}

void ReservationManager::setIsListModeActive(ReservationClientID client, bool active, tStatus& status) {
  forEachPolicy([&](iReservationPolicy& policy) { policy.setIsListModeActive(client, active, status); });
}

void ReservationManager::findTokenDescriptor(ReservationPolicyID id, uint64_t maxLength, vlhtl::String& out,
                                             tStatus& status) const {
  tokens_.findTokenDescriptor(id, maxLength, out, status);
}

ReservationPolicyID ReservationManager::findToken(const vlhtl::String& descriptor, tStatus& status) const {
  return tokens_.findToken(descriptor, status);
}

}  // namespace rfyulreserve_impl
