// How a self-made token is chosen. Tokens grow by one from 1 and are not
// reused while a larger one exists; only after the top value has been
// issued does the search wrap around to the lowest free value. 0 is never
// issued.
#ifndef VL9738K_RF_RESERVATION_TOKEN_MANAGER_UTILITIES_H
#define VL9738K_RF_RESERVATION_TOKEN_MANAGER_UTILITIES_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "ReservationStatus.h"
#include "ReservationTypes.h"

namespace rfyulreserve_impl {

template <typename tMap, typename tToken>
tToken getNewToken(const tMap& map, tToken nullToken, int32_t noFreeTokenCode, nVLAPALS100::tStatus& status) {
  using rfyulreserve::tokenValue;
  if (status.isFatal()) return nullToken;
  const uint32_t none = tokenValue(nullToken);
  if (map.empty()) return tToken{none + 1};
  const uint32_t largest = tokenValue(map.token_rbegin()->token);
  uint32_t candidate = largest + 1;
  if (candidate == none) candidate = largest + 2;
  if (map.findTokenIterator(tToken{candidate}) == nullptr) return tToken{candidate};
  // Wrapped around: the first gap in the ascending walk is the lowest free
  // value above the null token.
  uint32_t expected = none + 1;
  for (auto* node = map.token_begin(); node != nullptr; node = map.token_next(node)) {
    if (tokenValue(node->token) != expected) return tToken{expected};
    ++expected;
  }
  status.setCode(noFreeTokenCode, VL_SITE_AT(sites::kTokenManagerUtilities, __LINE__));
  return nullToken;
}

}  // namespace rfyulreserve_impl

#endif
