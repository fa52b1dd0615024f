// A DMA-able buffer as the kernel layer's page list holds it.
#ifndef VL9738K_PLATFORM_TPAGELIST_H
#define VL9738K_PLATFORM_TPAGELIST_H

#include <stdint.h>

namespace nVLAPAL000 {

struct tPageList {
  uint64_t size;    // bytes, whole pages for an allocated buffer
  uint64_t offset;  // of the used part within the first page
  uint64_t handle;  // the kernel layer's page list; 0 when none
};

}  // namespace nVLAPAL000

#endif
