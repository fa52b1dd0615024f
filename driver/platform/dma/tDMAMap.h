// A DMA-able buffer region as the device sees it: a list of bus-address
// segments, handed to the device before a transfer and taken back after.
// One interface, two ways of building the segments (tStandardDMAMap,
// tDirectDMAMap).
#ifndef VL9738K_PLATFORM_TDMAMAP_H
#define VL9738K_PLATFORM_TDMAMAP_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "tPageList.h"

namespace nVLAPAL000 {

struct tSGLSegment {
  uint64_t busAddress;
  uint64_t size;
};

// Direction of a map: whether the device reads the memory or writes it.
inline constexpr uint64_t kDMADeviceReads = 0;
inline constexpr uint64_t kDMADeviceWrites = 1;

class tDMAMap {
 public:
  virtual ~tDMAMap() {}

  // Makes room for the segments of a region of `size` bytes; kept across unmap.
  virtual void reserve(uint64_t size, nVLAPALS100::tStatus& status) = 0;
  virtual void release() = 0;
  virtual void map(const tPageList& pageList, uint64_t offset, uint64_t size, uint64_t direction,
                   nVLAPALS100::tStatus& status) = 0;
  virtual void unmap() = 0;
  virtual void prepareForDMA() = 0;
  // `byteCount`: how much the device transferred.
  virtual void completeDMA(uint64_t byteCount) = 0;
  virtual uint64_t numSGLSegments() = 0;
  virtual void resetSGLIterator() = 0;
  virtual bool moreSGLSegments() = 0;
  // Zeros past the end.
  virtual tSGLSegment nextSGLSegment() = 0;

  // Segments needed for any region of `size` bytes in pages of `pageSize`:
  // one per page, plus one where the region starts inside a page.
  static uint64_t segmentsFor(uint64_t size, uint64_t pageSize) {
    if (size < 2) return size;
    return size / pageSize + (size % pageSize != 0 ? 1 : 0) + 1;
  }
};

}  // namespace nVLAPAL000

#endif
