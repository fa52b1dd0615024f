// The registry of one device's sharing policies and the single road by
// which clients reserve, release and defer the release of them. A policy
// decides on its own whether a client may hold it; the manager finds
// policies by id, calls them in the caller's order and undoes a partly
// done reservation. It keeps no per-client state: what a client holds
// lives in the policies.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_MANAGER_H
#define VL9738K_RF_RESERVATION_RESERVATION_MANAGER_H

#include <stdint.h>

#include "../../platform/containers/VlitlMap.h"
#include "../policies/iPolicyRegistrar.h"
#include "TokenManager.h"
#include "iReservationOperations.h"
#include "iReservationPolicy.h"

namespace rfyulreserve_impl {

class ReservationManager : public nVL9738K_24_0::iPolicyRegistrar,
                           public iReservationOperations,
                           public iTokenLookup<rfyulreserve::ReservationPolicyID> {
  using ClientID = rfyulreserve::ReservationClientID;
  using PolicyID = rfyulreserve::ReservationPolicyID;
  using tStatus = nVLAPALS100::tStatus;

 public:
  ReservationManager(iDeviceActivityAccessProvider* deviceActivities,
                     rfyulreserve::ReservationIdleCallback idleCallback, int32_t code1, int32_t code2, int32_t code3,
                     int32_t code4);
  ReservationManager(const ReservationManager&) = delete;
  ReservationManager& operator=(const ReservationManager&) = delete;
  // Policies are not the manager's: only its nodes go.
  ~ReservationManager() override;

  PolicyID registerPolicy(iReservationPolicy* policy, tStatus& status) override;
  void unregisterPolicy(PolicyID id, tStatus& status) override;

  void reserveWithErrorInfo(ClientID client, const PolicyIDList& policies, DirtinessList& dirtiness,
                            rfyulreserve::ReserveErrorInfo& errorInfo, tStatus& status) override;
  rfyulreserve::reservation_ReservationDirtiness reserve(ClientID client, const PolicyIDList& policies,
                                                         rfyulreserve::ReserveErrorInfo& errorInfo,
                                                         tStatus& status) override;
  void release(ClientID client, const PolicyIDList& policies, tStatus& status) override;
  void deferReleaseUntilIdle(ClientID client, rfyulreserve::DeviceActivityContextID context,
                             const PolicyIDList& policies, tStatus& status) override;
  void releaseClient(ClientID client) override;
  void releaseIfIdle(tStatus& status) override;
  void deviceReset() override;
  void setIsListModeActive(ClientID client, bool active, tStatus& status) override;

  void findTokenDescriptor(PolicyID id, uint64_t maxLength, vlhtl::String& out, tStatus& status) const override;
  PolicyID findToken(const vlhtl::String& descriptor, tStatus& status) const override;

 private:
  struct Node {
    PolicyID id;
    iReservationPolicy* policy;
    vlitl_RBNode link;
  };

  iReservationPolicy* find(PolicyID id, tStatus& status) const;
  void tryReservePolicy(PolicyID id, ClientID client, rfyulreserve::reservation_ReservationDirtiness& dirtiness,
                        ClientID& conflictingClient, tStatus& status);
  void releasePolicy(PolicyID id, ClientID client, tStatus& status);
  // Releases the first `count` policies of a refused list; their errors
  // are dropped so the caller keeps the refusal.
  void rollBack(ClientID client, const PolicyIDList& policies, uint64_t count);
  template <typename tVisit>
  void forEachPolicy(tVisit visit);

  vlitl::Map<PolicyID, Node, &Node::id, &Node::link> policies_;
  iDeviceActivityAccessProvider* deviceActivities_;
  rfyulreserve::ReservationIdleCallback idleCallback_;
  int32_t policyNotFoundCode_;
  TokenManager<PolicyID> tokens_;
};

}  // namespace rfyulreserve_impl

#endif
