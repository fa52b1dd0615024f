// The sharing policy of one LO path's frequency. It follows the suggestion
// rule (a suggestion yields to any concrete request, concrete requests
// must agree), but two values agree when they differ at most in the DLL
// fine delay: that byte is a calibration detail of the DAC clock, not part
// of the frequency a client asks for.
#ifndef VL9738K_RF_POLICIES_FREQUENCY_POLICY_H
#define VL9738K_RF_POLICIES_FREQUENCY_POLICY_H

#include <stdint.h>

#include "../reservation/SharedReservationPolicyBase.h"
#include "../settings/FrequencySettings.h"

namespace nVL9738K_24_0 {

class FrequencyPolicy : public rfyulreserve_impl::SharedReservationPolicyBase<vl9738settings::FrequencySettings> {
  using Base = rfyulreserve_impl::SharedReservationPolicyBase<vl9738settings::FrequencySettings>;

 public:
  explicit FrequencyPolicy(
      const char* descriptor, int32_t conflictCode = rfyulreserve_impl::kReservationConflictCode,
      const rfyulreserve_impl::ReservationPolicyCodes& codes = rfyulreserve_impl::ReservationPolicyCodes());

  void recordCommitted() override;

  const int32_t conflictCode;
  const uint8_t mergeOnDeploy = 1;
  // 1 once a commit of this policy has succeeded: only then does
  // committedSettings hold a DLL fine value the hardware really took.
  uint8_t hasCommittedSettings = 0;

 protected:
  bool mergeForReserve(ClientRecord& own, ClientID& conflictingClient, tStatus& status) override;
  bool isSuggested(const vl9738settings::FrequencySettings& settings) const override;
  bool matchesCommitted(const vl9738settings::FrequencySettings& settings) const override;
  bool mergesOnDeploy() const override { return mergeOnDeploy != 0; }
};

}  // namespace nVL9738K_24_0

#endif
