#include "ReservationClient.h"

namespace rfyulreserve_impl {

using nVLAPALS100::tStatus;
using rfyulreserve::DeviceActivityContextID;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::ReserveErrorInfo;

ReservationClient::ReservationClient(const char* descriptor, iReservationOperations* operations,
                                     iTokenLookup<ReservationPolicyID>* policyTokens,
                                     iMetaresourceLookup* metaresources,
                                     ExternalTokenManager<ReservationClientID>* clientTokens,
                                     iTokenDescriptorLookup<ReservationClientID>* clientTokenLookup,
                                     iTokenLookup<DeviceActivityContextID>* activityTokens, tStatus& status)
    : operations_(operations),
      policyTokens_(policyTokens),
      metaresources_(metaresources),
      clientTokens_(clientTokens),
      clientTokenLookup_(clientTokenLookup),
      activityTokens_(activityTokens) {
  clientID_ = clientTokens_->createToken(descriptor, status);
}

ReservationClient::ReservationClient(const char* descriptor, ReservationClientID id, iReservationOperations* operations,
                                     iTokenLookup<ReservationPolicyID>* policyTokens,
                                     iMetaresourceLookup* metaresources,
                                     ExternalTokenManager<ReservationClientID>* clientTokens,
                                     iTokenDescriptorLookup<ReservationClientID>* clientTokenLookup,
                                     iTokenLookup<DeviceActivityContextID>* activityTokens, tStatus& status)
    : operations_(operations),
      policyTokens_(policyTokens),
      metaresources_(metaresources),
      clientTokens_(clientTokens),
      clientTokenLookup_(clientTokenLookup),
      activityTokens_(activityTokens) {
  if (status.isFatal()) return;
  clientTokens_->attachToken(descriptor, id, status);
  // Only a holder the tracker counted may later give the id back; taking
  // it on a failed attach would drop the other session's holder and every
  // reservation of that id when this client goes.
  if (status.isNotFatal()) clientID_ = id;
}

ReservationClient::~ReservationClient() {
  if (clientID_ == rfyulreserve::kInvalidReservationClientID) return;
  operations_->releaseClient(clientID_);
  tStatus local;
  clientTokens_->releaseToken(clientID_, local);
}

void ReservationClient::findReservationPolicyIDDescriptor(ReservationPolicyID id, uint64_t maxLength,
                                                          vlhtl::String& out, tStatus& status) {
  policyTokens_->findTokenDescriptor(id, maxLength, out, status);
}

void ReservationClient::findReservationClientIDDescriptor(ReservationClientID id, uint64_t maxLength,
                                                          vlhtl::String& out, tStatus& status) {
  clientTokenLookup_->findTokenDescriptor(id, maxLength, out, status);
}

ReservationPolicyID ReservationClient::findReservationPolicyID(const vlhtl::String& descriptor, tStatus& status) {
  return policyTokens_->findToken(descriptor, status);
}

DeviceActivityContextID ReservationClient::findDeviceActivityContextID(const vlhtl::String& descriptor,
                                                                       tStatus& status) {
  return activityTokens_->findToken(descriptor, status);
}

uint64_t ReservationClient::getNumOfReservableChildIDs(ReservationPolicyID id, tStatus& status) {
  return metaresources_->count(id, status);
}

void ReservationClient::findReservableChildIDs(ReservationPolicyID id, uint64_t maxCount, PolicyIDList& out,
                                               tStatus& status) {
  metaresources_->copyOut(id, maxCount, out, status);
}

void ReservationClient::reserve(const PolicyIDList& policies, DirtinessList& dirtiness, ReserveErrorInfo& errorInfo,
                                tStatus& status) {
  operations_->reserveWithErrorInfo(clientID_, policies, dirtiness, errorInfo, status);
}

void ReservationClient::release(const PolicyIDList& policies, tStatus& status) {
  operations_->release(clientID_, policies, status);
}

void ReservationClient::deferReleaseUntilIdle(DeviceActivityContextID context, const PolicyIDList& policies,
                                              tStatus& status) {
  operations_->deferReleaseUntilIdle(clientID_, context, policies, status);
}

void ReservationClient::setReservationCache(const PolicyIDList& policies, tStatus& status) {
  if (status.isFatal() || &policies == &reservationCache_) return;
  if (policies.size() <= reservationCache_.capacity()) {
    reservationCache_.clear();
    reservationCache_.insert_(reservationCache_.end(), policies.begin(), policies.end(), status);
    return;
  }
  // Built apart, so a failure keeps the old cache.
  PolicyIDList copy;
  copy.insert_(copy.end(), policies.begin(), policies.end(), status);
  if (status.isNotFatal()) reservationCache_.swap(copy);
}

void ReservationClient::reserveCache(uint32_t& result, ReserveErrorInfo& errorInfo, tStatus& status) {
  result = operations_->reserve(clientID_, reservationCache_, errorInfo, status);
}

void ReservationClient::releaseCache(tStatus& status) { operations_->release(clientID_, reservationCache_, status); }

void ReservationClient::deferReleaseCacheUntilIdle(DeviceActivityContextID context, tStatus& status) {
  operations_->deferReleaseUntilIdle(clientID_, context, reservationCache_, status);
}

void ReservationClient::setIsListModeActive(bool active, tStatus& status) {
  operations_->setIsListModeActive(clientID_, active, status);
}

void ReservationClient::releaseIdleResources(tStatus& status) { operations_->releaseIfIdle(status); }

}  // namespace rfyulreserve_impl
