// Allocators of the container library: blocks straight from the kernel
// layer, without the header of the module's `new`. A count whose byte size
// does not fit 64 bits fails here; a refused allocation fails at the memory
// site. Both record -52000.
#ifndef VL9738K_PLATFORM_CONTAINERS_VLHTL_ALLOCATOR_H
#define VL9738K_PLATFORM_CONTAINERS_VLHTL_ALLOCATOR_H

#include <stdint.h>

#include "../memory/Memory.h"
#include "../zuk/ZukMemory.h"

namespace vlhtl::apal {

template <typename T>
struct Allocator {
  static constexpr uint64_t kMaxCount = UINT64_MAX / sizeof(T);

  static T* allocate(uint64_t count, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return nullptr;
    if (count > kMaxCount) {
      reportSizeOverflow(status);
      return nullptr;
    }
    return static_cast<T*>(nVLAPAL000::allocateWithStatus(count * sizeof(T), status));
  }
  // A container whose element count itself would overflow fails here too.
  static void reportSizeOverflow(nVLAPALS100::tStatus& status) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
  }
  static void deallocate(T* block) { nVLZUK100_free(block); }
};

// The same allocator, named for element types whose copy takes a status.
template <typename T>
struct Allocator_sct : Allocator<T> {};

}  // namespace vlhtl::apal

#endif
