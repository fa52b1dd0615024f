// One session's identity in the reservation system: it owns one client id
// from the composite idle tracker, reaches the device's reservation
// machinery through interface pointers (none of them owned; the device's
// reservation composite outlives every client) and keeps a cached policy
// list that can be reserved, released or deferred in one call.
//
// A client holds an id only once the tracker has issued it or the attach
// to it succeeded: its destruction then releases everything that id holds
// in the policies and gives the id back. A client that holds no id
// releases nothing, so a failed attach never takes anything from the
// session that owns the id.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_CLIENT_H
#define VL9738K_RF_RESERVATION_RESERVATION_CLIENT_H

#include <stdint.h>

#include "ExternalTokenManager.h"
#include "iReservationOperations.h"
#include "iTokenManager.h"

namespace rfyulreserve_impl {

class ReservationClient {
  using ClientID = rfyulreserve::ReservationClientID;
  using PolicyID = rfyulreserve::ReservationPolicyID;
  using ContextID = rfyulreserve::DeviceActivityContextID;
  using tStatus = nVLAPALS100::tStatus;

 public:
  // A new id from the tracker; 0 when that fails.
  ReservationClient(const char* descriptor, iReservationOperations* operations, iTokenLookup<PolicyID>* policyTokens,
                    iMetaresourceLookup* metaresources, ExternalTokenManager<ClientID>* clientTokens,
                    iTokenDescriptorLookup<ClientID>* clientTokenLookup, iTokenLookup<ContextID>* activityTokens,
                    tStatus& status);
  // Shares an id another holder obtained; 0 when the attach fails.
  ReservationClient(const char* descriptor, ClientID id, iReservationOperations* operations,
                    iTokenLookup<PolicyID>* policyTokens, iMetaresourceLookup* metaresources,
                    ExternalTokenManager<ClientID>* clientTokens, iTokenDescriptorLookup<ClientID>* clientTokenLookup,
                    iTokenLookup<ContextID>* activityTokens, tStatus& status);
  ReservationClient(const ReservationClient&) = delete;
  ReservationClient& operator=(const ReservationClient&) = delete;
  virtual ~ReservationClient();

  virtual void findReservationPolicyIDDescriptor(PolicyID id, uint64_t maxLength, vlhtl::String& out, tStatus& status);
  // Any client's id, not only this one's.
  virtual void findReservationClientIDDescriptor(ClientID id, uint64_t maxLength, vlhtl::String& out, tStatus& status);
  virtual PolicyID findReservationPolicyID(const vlhtl::String& descriptor, tStatus& status);
  virtual ContextID findDeviceActivityContextID(const vlhtl::String& descriptor, tStatus& status);
  virtual ClientID getReservationClientID() const { return clientID_; }
  virtual uint64_t getNumOfReservableChildIDs(PolicyID id, tStatus& status);
  virtual void findReservableChildIDs(PolicyID id, uint64_t maxCount, PolicyIDList& out, tStatus& status);
  virtual void reserve(const PolicyIDList& policies, DirtinessList& dirtiness,
                       rfyulreserve::ReserveErrorInfo& errorInfo, tStatus& status);
  virtual void release(const PolicyIDList& policies, tStatus& status);
  virtual void deferReleaseUntilIdle(ContextID context, const PolicyIDList& policies, tStatus& status);
  // An exact copy (order and duplicates kept); the old cache stays when
  // the copy cannot be made.
  virtual void setReservationCache(const PolicyIDList& policies, tStatus& status);
  // `result` is written in every case: 1 for an empty cache.
  virtual void reserveCache(uint32_t& result, rfyulreserve::ReserveErrorInfo& errorInfo, tStatus& status);
  virtual void releaseCache(tStatus& status);
  virtual void deferReleaseCacheUntilIdle(ContextID context, tStatus& status);
  virtual void setIsListModeActive(bool active, tStatus& status);
  // Every client's due deferred releases, not only this one's.
  virtual void releaseIdleResources(tStatus& status);

  const PolicyIDList& reservationCache() const { return reservationCache_; }

 private:
  ClientID clientID_ = rfyulreserve::kInvalidReservationClientID;
  iReservationOperations* operations_;
  iTokenLookup<PolicyID>* policyTokens_;
  iMetaresourceLookup* metaresources_;
  ExternalTokenManager<ClientID>* clientTokens_;
  iTokenDescriptorLookup<ClientID>* clientTokenLookup_;
  iTokenLookup<ContextID>* activityTokens_;
  PolicyIDList reservationCache_;
};

}  // namespace rfyulreserve_impl

#endif
