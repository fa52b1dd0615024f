#include "tVersionCompatibility.h"

namespace nVLAPAL000 {

void checkVersionCompatibility(tVersionCompatibility& result, uint64_t ourCurrent, uint64_t ourOldest,
                               uint64_t peerCurrent, uint64_t peerOldest, int32_t tooOldCode, int32_t tooNewCode,
                               int32_t ourRangeCode, int32_t peerRangeCode) {
  result.peerTooOld_ = 0;
  result.peerTooNew_ = 0;
  result.code_ = 0;
  if (peerCurrent < ourOldest) {
    result.peerTooOld_ = 1;
    if (tooOldCode != 0) result.code_ = tooOldCode;
  }
  if (ourCurrent < peerOldest) {
    result.peerTooNew_ = 1;
    if (tooNewCode != 0) result.code_ = tooNewCode;
  }
  if (peerCurrent < peerOldest && peerRangeCode != 0) result.code_ = peerRangeCode;
  if (ourOldest > ourCurrent && ourRangeCode != 0) result.code_ = ourRangeCode;
}

}  // namespace nVLAPAL000
