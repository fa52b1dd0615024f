// A setting every client must request identically: the reference clock.
// There are no suggestions and no merging; a client may reserve only while
// every other holder asks for exactly its value.
#ifndef VL9738K_RF_RESERVATION_SHARED_RESERVATION_SINGLE_SETTINGS_DEPLOY_POLICY_H
#define VL9738K_RF_RESERVATION_SHARED_RESERVATION_SINGLE_SETTINGS_DEPLOY_POLICY_H

#include <stdint.h>

#include "SharedReservationPolicyBase.h"

namespace rfyulreserve_impl {

template <typename tSettings>
class SharedReservationSingleSettingsDeployPolicy : public SharedReservationPolicyBase<tSettings> {
  using Base = SharedReservationPolicyBase<tSettings>;
  using typename Base::ClientID;
  using typename Base::ClientRecord;
  using typename Base::tStatus;

 public:
  SharedReservationSingleSettingsDeployPolicy(const char* descriptor, int32_t conflictCode,
                                              const ReservationPolicyCodes& codes = ReservationPolicyCodes())
      : Base(descriptor, codes), conflictCode(conflictCode) {}

  const int32_t conflictCode;

 protected:
  // A deployed value reaches the coerced value only through its client's
  // next reserve.
  bool mergeForReserve(ClientRecord& own, ClientID& conflictingClient, tStatus& status) override {
    for (const ClientRecord* other = this->firstClient(); other != nullptr; other = this->nextClient(other)) {
      if (other == &own || other->reserveCount == 0 || other->settings == own.settings) continue;
      status.setCode(conflictCode, VL_SITE_AT(sites::kSinglePolicy, sites::kSingleConflictLine));
      conflictingClient = other->id;
      return false;
    }
    this->coercedSettings = own.settings;
    return true;
  }
};

}  // namespace rfyulreserve_impl

#endif
