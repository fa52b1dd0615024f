#include "ReservationResources.h"

#include "../../platform/memory/Memory.h"
#include "CompositeIdleTracker.h"

namespace rfyulreserve_impl {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;

void reportClientIdleStatus(ReservationClientID client, bool idle, tStatus& status) {
  if (client == rfyulreserve::kInvalidReservationClientID) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT("ReservationClientExternalResources", __LINE__));
  }
  rfCompositeIdleTracker_setStatus(rfyulreserve::tokenValue(client), idle ? 1 : 0, &status);
}

void ignoreClientIdleStatus(ReservationClientID, bool, tStatus&) {}

void* reallocateArray(void* old, uint64_t newSize) {
  void* block = nullptr;
  if (newSize != 0) {
    tStatus local;
    block = nVLAPAL000::operatorNewArrayWithStatus(newSize, local, nVLAPAL000::kAllocationKindPlain);
    if (block == nullptr) return nullptr;
  }
  if (old != nullptr) nVLAPAL000::operatorDelete(old);
  return block;
}

ReservationClient* ReservationResources::createClient(const char* descriptor, tStatus& status) {
  return new (status, nVLAPAL000::kAllocationKindPlain)
      ReservationClient(descriptor, &reservations_, &reservations_, &metaresources_, &clientTokens_, &clientTokens_,
                        &activities_, status);
}

ReservationClient* ReservationResources::attachClient(const char* descriptor, ReservationClientID id, tStatus& status) {
  return new (status, nVLAPAL000::kAllocationKindPlain)
      ReservationClient(descriptor, id, &reservations_, &reservations_, &metaresources_, &clientTokens_, &clientTokens_,
                        &activities_, status);
}

}  // namespace rfyulreserve_impl
