// Allocator of the flash partition store's byte vectors. It allocates as
// the container library's own allocator does; its size-overflow failures
// name this header, so that they can be told apart.
#ifndef VL9738K_PLATFORM_CONTAINERS_ALLOC_PAGED_H
#define VL9738K_PLATFORM_CONTAINERS_ALLOC_PAGED_H

#include "VlhtlAllocator.h"

namespace qrtk {

template <typename T>
struct AllocPaged {
  static constexpr uint64_t kMaxCount = UINT64_MAX / sizeof(T);

  static T* allocate(uint64_t count, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return nullptr;
    if (count > kMaxCount) {
      reportSizeOverflow(status);
      return nullptr;
    }
    return vlhtl::apal::Allocator<T>::allocate(count, status);
  }
  // A container whose element count itself would overflow fails here too.
  static void reportSizeOverflow(nVLAPALS100::tStatus& status) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
  }
  static void deallocate(T* block) { vlhtl::apal::Allocator<T>::deallocate(block); }
};

}  // namespace qrtk

#endif
