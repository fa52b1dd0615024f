// Locks the pages under a block of the calling process's memory for the
// device: the first page is the one holding the first byte, and as many
// follow as the block reaches into. The block's address and size come from
// user mode, so a block that wraps the address space is refused (-52005)
// before any page count is formed from it.
#ifndef VL9738K_FPGA_USERPAGELOCK_H
#define VL9738K_FPGA_USERPAGELOCK_H

#include <stdint.h>

#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"

namespace vllym {

inline constexpr uint32_t kPageListBitfile = 8;
inline constexpr uint32_t kPageListFifoBuffer = 16;

// On success `pages` holds {size, offset of the first byte in its page,
// handle}; the kernel layer refusing the lock is -52001 and leaves it
// untouched. The caller destroys the handle.
bool lockUserPages(uint64_t address, uint64_t size, uint32_t flags, nVLAPAL000::tPageList& pages,
                   nVLAPALS100::tStatus& status);

}  // namespace vllym

#endif
