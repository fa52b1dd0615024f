#include "ReservationRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/device/Device.h"
#include "driver/board/status/BoardSites.h"
#include "driver/rf/reservation/ReservationIoctlImpl.h"

namespace nVL9738K_24_0::requests {

using reservationHal::ReservationIoctlImpl;
using reservationHal::ReservationSessionSlot;
using rfyulreserve_impl::ReservationClient;

namespace {

// Clients are made by the device over its reservation machinery.
class DeviceClients final : public rfyulreserve_impl::iReservationClientFactory {
 public:
  explicit DeviceClients(Device& device) : device_(device) {}

  ReservationClient* createClient(const char* descriptor, tStatus& status) override {
    return device_.setReservationDescriptor(descriptor, status);
  }
  ReservationClient* attachClient(const char* descriptor, rfyulreserve::ReservationClientID id,
                                  tStatus& status) override {
    return device_.setReservationDescriptorAndClientID(descriptor, id, status);
  }

 private:
  Device& device_;
};

// The caller's reservation slot; a call without a session has no client.
ReservationSessionSlot* slotOf(RequestContext& context, tStatus& status) {
  Session* session = context.session();
  if (session != nullptr) return &session->getReservationSlot();
  status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(sites::kMainInterface, __LINE__));
  return nullptr;
}

ReservationClient* clientOf(RequestContext& context, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  return slot != nullptr ? ReservationIoctlImpl::requireClient(*slot, status) : nullptr;
}

rfyulreserve::ReserveErrorInfo toInfo(const ReserveErrorInfo& info) { return {info.failedId, info.conflictingClient}; }

ReserveErrorInfo fromInfo(const rfyulreserve::ReserveErrorInfo& info) {
  return {info.failedPolicyID, info.conflictingClientID};
}

}  // namespace

void FindReservationPolicyIDDescriptor::seed(const In& in, Out& out) { out.length = in.bufferLength; }

void FindReservationPolicyIDDescriptor::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_findReservationPolicyIDDescriptor(context.descriptor(), *slot, in.policyId,
                                                                      in.bufferAddress, out.length, status);
}

void FindReservationClientIDDescriptor::seed(const In& in, Out& out) { out.length = in.bufferLength; }

void FindReservationClientIDDescriptor::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_findReservationClientIDDescriptor(context.descriptor(), *slot, in.clientId,
                                                                      in.bufferAddress, out.length, status);
}

void FindReservationPolicyID::seed(const In& in, Out& out) { out.policyId = in.policyId; }

void FindReservationPolicyID::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_findReservationPolicyID(context.descriptor(), *slot, in.descriptorAddress,
                                                            in.descriptorLength, out.policyId, status);
}

void FindDeviceActivityContextID::seed(const In& in, Out& out) { out.contextId = in.contextId; }

void FindDeviceActivityContextID::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_findDeviceActivityContextID(context.descriptor(), *slot, in.descriptorAddress,
                                                                in.descriptorLength, out.contextId, status);
}

void GetReservationClientID::seed(const In& in, Out& out) { out.clientId = in.clientId; }

void GetReservationClientID::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client != nullptr) out.clientId = rfyulreserve::tokenValue(client->getReservationClientID());
}

void GetNumOfReservableChildIDs::seed(const In& in, Out& out) { out.count = in.count; }

void GetNumOfReservableChildIDs::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client == nullptr) return;
  const uint64_t count = client->getNumOfReservableChildIDs(rfyulreserve::ReservationPolicyID{in.policyId}, status);
  out.count = static_cast<uint32_t>(count);
}

void FindReservableChildIDs::seed(const In& in, Out& out) { out.count = in.count; }

void FindReservableChildIDs::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_findReservableChildIDs(context.descriptor(), *slot, in.policyId, out.count,
                                                           in.bufferAddress, status);
}

void Reserve::seed(const In& in, Out& out) { out.errorInfo = in.errorInfo; }

void Reserve::handle(RequestContext& context, const In& in, Out& out, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  rfyulreserve::ReserveErrorInfo info = toInfo(out.errorInfo);
  ReservationIoctlImpl::reservation_reserve(context.descriptor(), *slot, in.count, in.policyIdsAddress,
                                            in.resultsAddress, info, status);
  out.errorInfo = fromInfo(info);
}

void Release::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_release(context.descriptor(), *slot, in.count, in.policyIdsAddress, status);
}

void DeferReleaseUntilIdle::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_deferReleaseUntilIdle(context.descriptor(), *slot, in.contextId, in.count,
                                                          in.policyIdsAddress, status);
}

void SetDescriptor::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  DeviceClients clients(context.device());
  ReservationIoctlImpl::reservation_setDescriptor(context.descriptor(), *slot, clients, in.descriptorAddress,
                                                  in.descriptorLength, status);
}

void SetReservationCache::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  ReservationIoctlImpl::reservation_setReservationCache(context.descriptor(), *slot, in.count, in.policyIdsAddress,
                                                        status);
}

void ReserveCache::handle(RequestContext& context, const In&, Out& out, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client == nullptr) return;
  rfyulreserve::ReserveErrorInfo info = toInfo(out.errorInfo);
  client->reserveCache(out.result, info, status);
  out.errorInfo = fromInfo(info);
}

void ReleaseCache::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client != nullptr) client->releaseCache(status);
}

void DeferReleaseCacheUntilIdle::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client != nullptr)
    client->deferReleaseCacheUntilIdle(rfyulreserve::DeviceActivityContextID{in.contextId}, status);
}

void SetDescriptorAndClientID::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationSessionSlot* slot = slotOf(context, status);
  if (slot == nullptr) return;
  DeviceClients clients(context.device());
  ReservationIoctlImpl::reservation_setDescriptorAndClientID(context.descriptor(), *slot, clients, in.descriptorAddress,
                                                             in.descriptorLength, in.clientId, status);
}

void SetIsListModeActive::handle(RequestContext& context, const In& in, Out&, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client != nullptr) client->setIsListModeActive(in.active != 0, status);
}

void ReleaseIdleResources::handle(RequestContext& context, const In&, Out&, tStatus& status) {
  ReservationClient* client = clientOf(context, status);
  if (client != nullptr) client->releaseIdleResources(status);
}

namespace {

constexpr RequestEntry kEntries[] = {
    makeRequest<FindReservationPolicyIDDescriptor, 24, 8>(),
    makeRequest<FindReservationClientIDDescriptor, 24, 8>(),
    makeRequest<FindReservationPolicyID, 24, 8>(),
    makeRequest<FindDeviceActivityContextID, 24, 8>(),
    makeRequest<GetReservationClientID, 8, 8>(),
    makeRequest<GetNumOfReservableChildIDs, 12, 8>(),
    makeRequest<FindReservableChildIDs, 24, 8>(),
    makeRequest<Reserve, 40, 12>(),
    makeRequest<Release, 24, 4>(),
    makeRequest<DeferReleaseUntilIdle, 24, 4>(),
    makeRequest<SetDescriptor, 16, 4>(),
    makeRequest<SetReservationCache, 24, 4>(),
    makeRequest<ReserveCache, 4, 16>(),
    makeRequest<ReleaseCache, 4, 4>(),
    makeRequest<DeferReleaseCacheUntilIdle, 8, 4>(),
    makeRequest<SetDescriptorAndClientID, 24, 4>(),
    makeRequest<SetIsListModeActive, 8, 4>(),
    makeRequest<ReleaseIdleResources, 4, 4>(),
};

}  // namespace

const RequestTable kReservationRequests{kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

}  // namespace nVL9738K_24_0::requests
