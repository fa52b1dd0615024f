// One window of the bridge's memory BAR as the board object hands it out:
// where BAR 0 lies on the bus and in the kernel's address space, and the
// window's offset and size inside it. The board object reads each window's
// place from its bridge register and gives the record to whatever chip
// accessor lives behind that window.
#ifndef VL9738K_FLASH_BOARDWINDOW_H
#define VL9738K_FLASH_BOARDWINDOW_H

#include <stdint.h>

namespace nVL9738K_24_0 {

struct BoardWindow {
  uint64_t busAddress;
  uint64_t kernelAddress;
  uint32_t offset;
  uint32_t size;
};

}  // namespace nVL9738K_24_0

#endif
