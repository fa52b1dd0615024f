#include "FrequencyPolicy.h"

namespace nVL9738K_24_0 {

using vl9738settings::compareFrequencySettings;
using vl9738settings::FrequencySettings;

namespace {

bool agree(const FrequencySettings& a, const FrequencySettings& b) { return compareFrequencySettings(a, b, false); }

}  // namespace

FrequencyPolicy::FrequencyPolicy(const char* descriptor, int32_t conflict,
                                 const rfyulreserve_impl::ReservationPolicyCodes& codes)
    : Base(descriptor, codes), conflictCode(conflict) {}

void FrequencyPolicy::recordCommitted() {
  Base::recordCommitted();
  hasCommittedSettings = 1;
}

// A concrete client sets the coerced value to its own in full, its DLL
// fine delay included; the commit decides which fine delay is programmed.
bool FrequencyPolicy::mergeForReserve(ClientRecord& own, ClientID& conflictingClient, tStatus& status) {
  FrequencySettings candidate = own.settings;
  const ClientRecord* conflict = mergeWithSuggestions(own, candidate, agree);
  if (conflict != nullptr) {
    status.setCode(conflictCode, VL_SITE_AT(rfyulreserve_impl::sites::kFrequencyPolicy,
                                            rfyulreserve_impl::sites::kFrequencyConflictLine));
    conflictingClient = conflict->id;
    return false;
  }
  coercedSettings = candidate;
  return true;
}

bool FrequencyPolicy::isSuggested(const FrequencySettings& settings) const { return settings.suggest != 0; }

bool FrequencyPolicy::matchesCommitted(const FrequencySettings& settings) const {
  return agree(settings, committedSettings);
}

}  // namespace nVL9738K_24_0
