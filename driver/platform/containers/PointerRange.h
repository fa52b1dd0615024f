// Whether a pointer lies inside a block, compared as addresses: a source
// handed to a container may be a part of the container itself.
#ifndef VL9738K_PLATFORM_CONTAINERS_POINTER_RANGE_H
#define VL9738K_PLATFORM_CONTAINERS_POINTER_RANGE_H

#include <stdint.h>

namespace nVLAPAL000 {

inline bool pointsInto(const void* pointer, const void* begin, const void* end) {
  const auto address = reinterpret_cast<uintptr_t>(pointer);
  return address >= reinterpret_cast<uintptr_t>(begin) && address < reinterpret_cast<uintptr_t>(end);
}

}  // namespace nVLAPAL000

#endif
