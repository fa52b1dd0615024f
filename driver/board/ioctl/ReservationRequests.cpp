#include "ReservationRequests.h"

#include "IoctlCollection.h"
#include "RequestTables.h"
#include "driver/board/status/BoardSites.h"

namespace nVL9738K_24_0::requests {

namespace {

void answer(int64_t code, tStatus& status) {
  if (code != 0) status.setCode(code, VL_SITE_AT(sites::kMainInterface, __LINE__));
}

}  // namespace

void FindReservationPolicyIDDescriptor::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void FindReservationClientIDDescriptor::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void FindReservationPolicyID::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void FindDeviceActivityContextID::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void GetReservationClientID::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void GetNumOfReservableChildIDs::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void FindReservableChildIDs::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void Reserve::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void Release::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void DeferReleaseUntilIdle::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void SetDescriptor::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void SetReservationCache::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void ReserveCache::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReleaseCache::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void DeferReleaseCacheUntilIdle::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void SetDescriptorAndClientID::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusNotSupported, status);
}

void SetIsListModeActive::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
}

void ReleaseIdleResources::handle(RequestContext&, const In&, Out&, tStatus& status) {
  answer(nVLAPALS100::kStatusRequestFailure, status);
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
