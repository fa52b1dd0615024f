// One of the bridge's paged windows as the board code hands it on: where
// BAR 0 lies on the bus and in the kernel, and the window's place in it.
#ifndef VL9738K_BOARD_BRIDGEWINDOWSPAN_H
#define VL9738K_BOARD_BRIDGEWINDOWSPAN_H

#include <stdint.h>

namespace nVL9738K_24_0 {

struct tBridgeWindowSpan {
  uint64_t busAddress;     // of BAR 0
  uint64_t kernelAddress;  // of BAR 0
  uint32_t offset;
  uint32_t size;
};

}  // namespace nVL9738K_24_0

#endif
