#include "tDataWriter.h"

#include "WireStatus.h"

namespace vl9738settings {

void tDataWriter::write(uint64_t value, uint32_t width, nVLAPALS100::tStatus& status) {
  if (width > 1 && status.isFatal()) return;
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t shift = swapBytes_ ? 8 * (width - 1 - i) : 8 * i;
    const uint64_t end = output_.size();
    if (!output_._insert(end, 1)) {
      status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(sites::kStlStatus, sites::kStlStatusGrowLine));
      continue;
    }
    output_[end] = static_cast<uint8_t>(value >> shift);
    output_._commit(1);
  }
}

}  // namespace vl9738settings
