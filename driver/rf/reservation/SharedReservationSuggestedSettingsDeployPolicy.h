// A setting that a client may either demand (a concrete request) or only
// propose (a suggestion, which yields to any concrete request): the LO
// power and the cross-switch mode. Two concrete requests must be equal;
// a suggestion takes the value of the concrete holders.
#ifndef VL9738K_RF_RESERVATION_SHARED_RESERVATION_SUGGESTED_SETTINGS_DEPLOY_POLICY_H
#define VL9738K_RF_RESERVATION_SHARED_RESERVATION_SUGGESTED_SETTINGS_DEPLOY_POLICY_H

#include <stdint.h>

#include "SharedReservationPolicyBase.h"

namespace rfyulreserve_impl {

template <typename tSettings>
bool isSuggestion(const tSettings& settings) {
  return settings.suggest != 0;
}

// A suggested value is used as it stands, its suggestion flag included.
template <typename tSettings>
tSettings getSuggestedValue(const tSettings& settings) {
  return settings;
}

template <typename tSettings>
class SharedReservationSuggestedSettingsDeployPolicy : public SharedReservationPolicyBase<tSettings> {
  using Base = SharedReservationPolicyBase<tSettings>;
  using typename Base::ClientID;
  using typename Base::ClientRecord;
  using typename Base::tStatus;

 public:
  // With `mergeOnDeploy` a holder's new value is merged as it is deployed;
  // without, it waits for that client's next reserve.
  SharedReservationSuggestedSettingsDeployPolicy(const char* descriptor, int32_t conflictCode, bool mergeOnDeploy,
                                                 const ReservationPolicyCodes& codes = ReservationPolicyCodes())
      : Base(descriptor, codes), conflictCode(conflictCode), mergeOnDeploy(mergeOnDeploy ? 1 : 0) {}

  const int32_t conflictCode;
  const uint8_t mergeOnDeploy;
  bool (*const isSuggestionFn)(const tSettings&) = isSuggestion<tSettings>;
  tSettings (*const getSuggestedValueFn)(const tSettings&) = getSuggestedValue<tSettings>;

 protected:
  bool mergeForReserve(ClientRecord& own, ClientID& conflictingClient, tStatus& status) override {
    tSettings candidate = own.settings;
    if (isSuggestionFn(own.settings)) candidate = getSuggestedValueFn(candidate);
    const ClientRecord* conflict =
        this->mergeWithSuggestions(own, candidate, [](const tSettings& a, const tSettings& b) { return a == b; });
    if (conflict != nullptr) {
      status.setCode(conflictCode, VL_SITE_AT(sites::kSuggestedPolicy, sites::kSuggestedConflictLine));
      conflictingClient = conflict->id;
      return false;
    }
    this->coercedSettings = candidate;
    return true;
  }

  bool isSuggested(const tSettings& settings) const override { return isSuggestionFn(settings); }
  bool mergesOnDeploy() const override { return mergeOnDeploy != 0; }
};

}  // namespace rfyulreserve_impl

#endif
