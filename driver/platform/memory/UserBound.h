// Sizes, counts and lengths that user mode chooses. The kernel must never
// allocate, copy or loop at a caller's word without a limit, so each request
// states the bound of every such word where the request is declared and
// holds the word to it here, before anything is allocated for it.
#ifndef VL9738K_PLATFORM_USERBOUND_H
#define VL9738K_PLATFORM_USERBOUND_H

#include <stdint.h>

#include "../status/StatusCodes.h"
#include "../status/tStatus.h"

namespace nVLAPAL000 {

// The most entries of any list a caller hands in (resource ids, policy ids,
// route seeds and destinations): far more than the board has of anything,
// and small enough that no list's size wraps or asks for gigabytes. Lists
// may repeat entries, so the board's own counts are no bound.
inline constexpr uint64_t kMaxUserListEntries = 65536;

// True when `value` is at most `bound`. Otherwise the request is refused
// with `refusal` (the request's stated answer; -52005 unless it has
// another) at the caller's site, and nothing may be allocated for it.
inline bool withinUserBound(uint64_t value, uint64_t bound, int64_t refusal, const char* component, const char* file,
                            uint64_t line, nVLAPALS100::tStatus& status) {
  if (value <= bound) return true;
  status.setCode(refusal, component, file, line);
  return false;
}

inline bool withinUserBound(uint64_t value, uint64_t bound, const char* component, const char* file, uint64_t line,
                            nVLAPALS100::tStatus& status) {
  return withinUserBound(value, bound, nVLAPALS100::kStatusInvalidParameter, component, file, line, status);
}

}  // namespace nVLAPAL000

#endif
