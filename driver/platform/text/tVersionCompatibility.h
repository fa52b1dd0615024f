// Whether two parties that each publish a current version and the oldest
// version they still work with can talk to each other.
#ifndef VL9738K_PLATFORM_TEXT_TVERSION_COMPATIBILITY_H
#define VL9738K_PLATFORM_TEXT_TVERSION_COMPATIBILITY_H

#include <stdint.h>

namespace nVLAPAL000 {

class tVersionCompatibility {
 public:
  int32_t getCode() const { return code_; }
  bool isPeerTooOld() const { return peerTooOld_ != 0; }
  bool isPeerTooNew() const { return peerTooNew_ != 0; }

 private:
  friend void checkVersionCompatibility(tVersionCompatibility&, uint64_t, uint64_t, uint64_t, uint64_t, int32_t,
                                        int32_t, int32_t, int32_t);

  uint8_t peerTooOld_ = 0;
  uint8_t peerTooNew_ = 0;
  int32_t code_ = 0;
};

// The verdict: each failed rule sets its code (when it is not 0), a later
// rule overriding an earlier one. A range whose oldest version lies above
// its current one is malformed, ours or the peer's.
void checkVersionCompatibility(tVersionCompatibility& result, uint64_t ourCurrent, uint64_t ourOldest,
                               uint64_t peerCurrent, uint64_t peerOldest, int32_t tooOldCode, int32_t tooNewCode,
                               int32_t ourRangeCode, int32_t peerRangeCode);

}  // namespace nVLAPAL000

#endif
