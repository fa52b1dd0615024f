// Driving a sharing policy from a test: deploy, reserve and look at the
// answer (the refusal's site, the dirtiness and the conflicting client).
#ifndef VL9738K_TESTS_RF_RESERVATION_POLICY_CHECKS_H
#define VL9738K_TESTS_RF_RESERVATION_POLICY_CHECKS_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "driver/rf/reservation/ReservationResources.h"
#include "driver/rf/reservation/ReservationTypes.h"
#include "driver/rf/settings/FrequencySettings.h"
#include "tests/support/StatusChecks.h"

namespace vltest {

inline rfyulreserve::ReservationClientID client(uint32_t value) { return rfyulreserve::ReservationClientID{value}; }

// A frequency whose DLL fine word is chosen, concrete unless `suggest`.
inline vl9738settings::FrequencySettings frequency(uint64_t ftw, uint8_t dllFine, uint8_t suggest = 0) {
  vl9738settings::FrequencySettings settings;
  settings.ftw = ftw;
  settings.dllFineOverride = 1;
  settings.dllFine = dllFine;
  settings.suggest = suggest;
  return settings;
}

inline rfyulreserve_impl::PolicyIDList policyIds(const std::vector<uint32_t>& values) {
  rfyulreserve_impl::PolicyIDList out;
  nVLAPALS100::tStatus status;
  for (uint32_t v : values) out.push_back(rfyulreserve::ReservationPolicyID{v}, status);
  return out;
}

struct Answer {
  Site site;
  uint32_t dirtiness;  // 77 when reserve left it alone
  uint32_t conflicting;
  bool operator==(const Answer&) const = default;
};

inline void PrintTo(const Answer& answer, std::ostream* out) {
  PrintTo(answer.site, out);
  *out << ", dirtiness " << answer.dirtiness << ", conflicting " << answer.conflicting;
}

inline const Site kClean{0, "", 0};

template <typename tPolicy>
Answer reserve(tPolicy& policy, uint32_t id) {
  uint32_t dirtiness = 77;
  rfyulreserve::ReservationClientID conflicting{0};
  const nVLAPALS100::tStatus status =
      statusAfter([&](nVLAPALS100::tStatus& s) { policy.reserve(client(id), dirtiness, conflicting, s); });
  return {siteOf(status), dirtiness, rfyulreserve::tokenValue(conflicting)};
}

template <typename tPolicy, typename tSettings>
Site deploy(tPolicy& policy, uint32_t id, const tSettings& settings) {
  return siteOf(statusAfter([&](nVLAPALS100::tStatus& s) { policy.deploySettings(client(id), settings, s); }));
}

// Deploys and reserves, expecting both to succeed.
template <typename tPolicy, typename tSettings>
void hold(tPolicy& policy, uint32_t id, const tSettings& settings) {
  EXPECT_EQ(deploy(policy, id, settings), kClean);
  EXPECT_EQ(reserve(policy, id).site, kClean);
}

template <typename tPolicy>
uint32_t countOf(const tPolicy& policy, uint32_t id) {
  auto* record = policy.findClient(client(id));
  return record != nullptr ? record->reserveCount : 0xDEAD;
}

}  // namespace vltest

#endif
