// Allocator of the platform's older containers: blocks of the module's own
// header-prefixed `new`, so that each one is freed with the matching delete.
// A failure is reported by a null block; the containers keep it as their
// sticky failure flag.
#ifndef VL9738K_PLATFORM_CONTAINERS_TALLOCATOR_H
#define VL9738K_PLATFORM_CONTAINERS_TALLOCATOR_H

#include <stdint.h>

#include "../memory/Memory.h"

namespace nVLAPAL000 {

template <typename T>
struct tAllocator {
  static constexpr uint64_t kMaxCount = (UINT64_MAX - sizeof(tBlockHeader)) / sizeof(T);

  static T* allocate(uint64_t count) {
    if (count > kMaxCount) return nullptr;
    return static_cast<T*>(operatorNewNoThrow(count * sizeof(T), nullptr));
  }
  static void deallocate(T* block) { operatorDelete(block); }
};

}  // namespace nVLAPAL000

#endif
