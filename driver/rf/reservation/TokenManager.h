// Issues its own tokens (1, 2, 3 ...) for unique descriptors and finds
// them both ways: the reservation manager names its policies with one, the
// device-activity manager its engines.
#ifndef VL9738K_RF_RESERVATION_TOKEN_MANAGER_H
#define VL9738K_RF_RESERVATION_TOKEN_MANAGER_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "ReservationStatus.h"
#include "TokenManagerUtilities.h"
#include "TokenToStringBiMap.h"
#include "iTokenManager.h"

namespace rfyulreserve_impl {

template <typename tToken>
class TokenManager : public iTwoWayTokenManager<tToken>, public iTokenLookup<tToken> {
 public:
  static constexpr tToken nullToken{0};

  // The bimap takes the first three codes as its invalid-descriptor,
  // not-found and duplicate-descriptor codes.
  TokenManager(int32_t bufferTooSmallCode, int32_t notFoundCode, int32_t duplicateDescriptorCode,
               int32_t noFreeTokenCode)
      : map_(bufferTooSmallCode, notFoundCode, duplicateDescriptorCode),
        bufferTooSmallCode_(bufferTooSmallCode),
        notFoundCode_(notFoundCode),
        noFreeTokenCode_(noFreeTokenCode) {}

  tToken createToken(const char* descriptor, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return nullToken;
    const tToken token = getNewToken(map_, nullToken, noFreeTokenCode_, status);
    map_.insert(descriptor, token, status);
    return status.isFatal() ? nullToken : token;
  }

  // Only an outside issuer's tokens can be attached to.
  void attachToken(const char*, tToken, nVLAPALS100::tStatus& status) override {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kTokenManager, __LINE__));
  }

  void releaseToken(tToken token, nVLAPALS100::tStatus& status) override { map_.erase(token, status); }
  void releaseToken(const char* descriptor, nVLAPALS100::tStatus& status) override { map_.erase(descriptor, status); }

  void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                           nVLAPALS100::tStatus& status) const override {
    if (status.isFatal()) return;
    const auto* node = map_.findTokenIterator(token);
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(sites::kTokenManager, __LINE__));
      return;
    }
    copyDescriptorOut(node->descriptor, maxLength, out, bufferTooSmallCode_, sites::kTokenManager, status);
  }

  tToken findToken(const vlhtl::String& descriptor, nVLAPALS100::tStatus& status) const override {
    if (status.isFatal()) return nullToken;
    const auto* node = map_.findDescriptorIterator(descriptor);
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(sites::kTokenManager, __LINE__));
      return nullToken;
    }
    return node->token;
  }

  const TokenToStringBiMap<tToken>& map() const { return map_; }

 private:
  TokenToStringBiMap<tToken> map_;
  int32_t bufferTooSmallCode_;
  int32_t notFoundCode_;
  int32_t noFreeTokenCode_;
};

}  // namespace rfyulreserve_impl

#endif
