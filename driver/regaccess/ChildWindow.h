// Where a composite map's child block lies for the child's own map: the
// child sees the part of its block that falls inside the composite's
// window, in its own offsets, at the addresses the composite would use.
#ifndef VL9738K_REGACCESS_CHILDWINDOW_H
#define VL9738K_REGACCESS_CHILDWINDOW_H

#include <stdint.h>

namespace arm {

struct tChildWindow {
  uint32_t base;
  uint32_t windowStart;
  uint32_t windowSize;
};

// The composite (base, windowStart, windowSize) holds the child's block of
// `childSize` bytes at `childOffset`. A child outside the window gets a
// window of size 0: its records stay, every hardware access fails.
constexpr tChildWindow childWindow(uint32_t base, uint32_t windowStart, uint32_t windowSize, uint32_t childOffset,
                                   uint32_t childSize) {
  const uint64_t windowEnd = uint64_t{windowStart} + windowSize;
  const uint64_t childEnd = uint64_t{childOffset} + childSize;
  const uint64_t begin = windowStart > childOffset ? windowStart : childOffset;
  const uint64_t end = windowEnd < childEnd ? windowEnd : childEnd;
  const uint32_t start = static_cast<uint32_t>(begin - childOffset);
  const uint32_t size = end > begin ? static_cast<uint32_t>(end - begin) : 0;
  return tChildWindow{base + childOffset - windowStart + start, start, size};
}

}  // namespace arm

#endif
