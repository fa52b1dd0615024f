// Walks the bridge's capability list to the record of a capability's id
// and lets the capability read itself there. Each record starts with a
// header: bits 31-16 its id, bits 15-2 the next pointer, bits 1-0 the
// pointer's type (0 absolute, 0 ending the list; 1 absolute with the upper
// half from the word before the header; 2 relative to the header; 3
// invalid). The window registers are given back after every walk.
#ifndef VL9738K_PLATFORM_PCI_TVLCAPABILITYPCIACCESSOR_H
#define VL9738K_PLATFORM_PCI_TVLCAPABILITYPCIACCESSOR_H

#include <stdint.h>

#include "tVLCapability.h"

namespace nVLAPAL000 {

template <typename tWexel>
class tVLCapabilityPCIAccessor {
 public:
  static constexpr uint32_t kNotFound = 0xFFFFFFFF;

  explicit tVLCapabilityPCIAccessor(tWexel& wexel) : wexel_(wexel) {}

  // A capability read before is searched for again after its last record:
  // the next record with the same id. Not found: -52006, the object as it was.
  void getCapability(tVLCapability<tWexel>& capability, nVLAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    wexel_.saveWindow();
    wexel_.enableWindow();
    uint32_t start = wexel_.getListStart();
    if (capability.getOffset() != 0) {
      const uint32_t header = wexel_.read32(capability.getOffset(), status);
      start = _findNextOffset(capability.getOffset(), header, status);
    }
    const uint32_t offset = status.isFatal() ? kNotFound : find(capability.getID(), start, status);
    capability.readCapability(wexel_, offset, status);
    wexel_.restoreWindow();
  }

  uint32_t _findNextOffset(uint32_t offset, uint32_t header, nVLAPALS100::tStatus& status) {
    const uint32_t pointer = header & 0xFFFC;
    switch (header & 3) {
      case 0:
        return pointer;
      case 1:
        return (wexel_.read32(offset - 4, status) & 0xFFFF0000u) | pointer;
      case 2:
        return offset + pointer;
      default:
        status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE);
        return 0;
    }
  }

 private:
  // A corrupt flash can link the list into a circle. The walk keeps one
  // record as a mark and moves the mark at doubling distances; meeting
  // the mark again proves a circle (and bounds the walk by twice the
  // records it holds), at no extra read.
  uint32_t find(uint16_t id, uint32_t offset, nVLAPALS100::tStatus& status) {
    uint32_t mark = offset;
    uint32_t steps = 0;
    uint32_t distance = 1;
    while (offset != 0) {
      const uint32_t header = wexel_.read32(offset, status);
      const uint32_t next = _findNextOffset(offset, header, status);
      if (status.isFatal()) return kNotFound;
      if ((header >> 16) == id) return offset;
      offset = next;
      if (offset == mark) {
        status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE);
        return kNotFound;
      }
      if (++steps == distance) {
        mark = offset;
        steps = 0;
        distance *= 2;
      }
    }
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return kNotFound;
  }

  tWexel& wexel_;
};

}  // namespace nVLAPAL000

#endif
