// The guard of containers that keep their elements in place and trust
// their callers with the capacity: going past it would overwrite whatever
// follows the container, so the machine stops instead.
#ifndef VL9738K_PLATFORM_CONTAINERS_CONTAINER_ASSERT_H
#define VL9738K_PLATFORM_CONTAINERS_CONTAINER_ASSERT_H

#include <stdint.h>

namespace nVLAPAL000 {

// Prints the failed condition and halts.
[[noreturn]] void containerAssertionFailed(const char* file, uint64_t line, const char* condition);

}  // namespace nVLAPAL000

#define VL_CONTAINER_ASSERT(condition, text) \
  ((condition) ? static_cast<void>(0) : ::nVLAPAL000::containerAssertionFailed(__FILE__, __LINE__, text))

#endif
