// Issues its own client tokens like TokenManager, but finds only the
// descriptor of a token. The device takes its client ids from the idle
// tracker instead (ExternalTokenManager); this manager serves where no
// tracker is present.
#ifndef VL9738K_RF_RESERVATION_TOKEN_MANAGER_ONE_WAY_H
#define VL9738K_RF_RESERVATION_TOKEN_MANAGER_ONE_WAY_H

#include <stdint.h>

#include "OneWayTokenStore.h"
#include "ReservationStatus.h"
#include "TokenManagerUtilities.h"

namespace rfyulreserve_impl {

template <typename tToken>
class TokenManagerOneWay : public OneWayTokenStore<tToken> {
  using Store = OneWayTokenStore<tToken>;

 public:
  TokenManagerOneWay(int32_t bufferTooSmallCode, int32_t notFoundCode, int32_t thirdCode, int32_t noFreeTokenCode)
      : Store(sites::kTokenManagerOneWay, bufferTooSmallCode, notFoundCode, thirdCode, noFreeTokenCode) {}

  tToken createToken(const char* descriptor, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return Store::nullToken;
    const tToken token = getNewToken(Store::map_, Store::nullToken, Store::fourthCode_, status);
    Store::map_.insert(descriptor, token, status);
    return status.isFatal() ? Store::nullToken : token;
  }

  void attachToken(const char*, tToken, nVLAPALS100::tStatus& status) override {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kTokenManagerOneWay, __LINE__));
  }

  void releaseToken(tToken token, nVLAPALS100::tStatus& status) override { Store::map_.erase(token, status); }
};

}  // namespace rfyulreserve_impl

#endif
