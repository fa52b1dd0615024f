// Status codes of the instruction framework: the register port, the
// subsystem map and its contexts.
#ifndef VL9738K_IFW_IFWSTATUSCODES_H
#define VL9738K_IFW_IFWSTATUSCODES_H

#include <stdint.h>

namespace vlifw::codes {

constexpr int32_t code(uint32_t value) { return static_cast<int32_t>(value); }

inline constexpr int32_t kReadTimedOut = code(0xBFFA8180);
inline constexpr int32_t kWriteTimedOut = code(0xBFFA8181);
inline constexpr int32_t kMapSignatureWrong = code(0xBFFA8183);
inline constexpr int32_t kMapNotReady = code(0xBFFA8184);
inline constexpr int32_t kContextMissing = code(0xBFFA8185);
inline constexpr int32_t kBlockTooOld = code(0xBFFA8186);
inline constexpr int32_t kBlockTooNew = code(0xBFFA8187);
inline constexpr int32_t kInstructionFailed = code(0xBFFA8189);
inline constexpr int32_t kVersionTooOld = code(0xBFFA818B);
inline constexpr int32_t kVersionTooNew = code(0xBFFA818C);
inline constexpr int32_t kPortFault = code(0xBFFA818D);
inline constexpr int32_t kUnknownInstructionError = code(0xBFFA818E);
inline constexpr int32_t kResetTimedOut = code(0xBFFA818F);
inline constexpr int32_t kNoFreeSlot = code(0xBFFA8190);

}  // namespace vlifw::codes

#endif
