// What the one-way token managers share: the token-to-descriptor map, the
// codes and the descriptor lookup. How tokens are issued, attached and
// released is each manager's own.
#ifndef VL9738K_RF_RESERVATION_ONE_WAY_TOKEN_STORE_H
#define VL9738K_RF_RESERVATION_ONE_WAY_TOKEN_STORE_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "TokenToStringMap.h"
#include "iTokenManager.h"

namespace rfyulreserve_impl {

template <typename tToken>
class OneWayTokenStore : public iOneWayTokenManager<tToken>, public iTokenDescriptorLookup<tToken> {
 public:
  static constexpr tToken nullToken{0};

  void findTokenDescriptor(tToken token, uint64_t maxLength, vlhtl::String& out,
                           nVLAPALS100::tStatus& status) const override {
    if (status.isFatal()) return;
    const auto* node = map_.findTokenIterator(token);
    if (node == nullptr) {
      status.setCode(notFoundCode_, VL_SITE_AT(site_, __LINE__));
      return;
    }
    copyDescriptorOut(node->descriptor, maxLength, out, bufferTooSmallCode_, site_, status);
  }

  const TokenToStringMap<tToken>& map() const { return map_; }

 protected:
  // The map takes the first three codes as its invalid-descriptor,
  // not-found and (unused) duplicate-descriptor codes; the fourth is the
  // manager's own.
  OneWayTokenStore(const char* site, int32_t bufferTooSmallCode, int32_t notFoundCode, int32_t thirdCode,
                   int32_t fourthCode)
      : map_(bufferTooSmallCode, notFoundCode, thirdCode),
        site_(site),
        bufferTooSmallCode_(bufferTooSmallCode),
        notFoundCode_(notFoundCode),
        fourthCode_(fourthCode) {}
  ~OneWayTokenStore() override = default;

  TokenToStringMap<tToken> map_;
  const char* site_;
  int32_t bufferTooSmallCode_;
  int32_t notFoundCode_;
  int32_t fourthCode_;
};

}  // namespace rfyulreserve_impl

#endif
