#include "tUserBuffer.h"

#include "../zuk/ZukUserMemory.h"
#include "DeviceSites.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

tUserBuffer::tUserBuffer(tEventDescriptor&, uint64_t address, uint64_t size, tStatus&)
    : address_(address), size_(size) {}

tUserBuffer::tUserBuffer(tEventDescriptor& descriptor, const void* address, uint64_t size, tStatus& status)
    : tUserBuffer(descriptor, reinterpret_cast<uint64_t>(address), size, status) {}

// Offsets and sizes often come from user mode: a range beyond the block
// would reach memory the caller never offered, and the kernel layer copies
// at most 32 bits' worth in one go.
bool tUserBuffer::covers(uint64_t offset, uint64_t size, tStatus& status) const {
  if (offset <= size_ && size <= size_ - offset && size <= UINT32_MAX) return true;
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return false;
}

void tUserBuffer::readFromBuffer(uint64_t offset, void* destination, uint64_t size, tStatus& status) const {
  if (status.isFatal() || !covers(offset, size, status)) return;
  const int32_t result = nVLZUK100_replicateInboundIOControlBuffer(
      destination, reinterpret_cast<const void*>(address_ + offset), static_cast<uint32_t>(size));
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kUserBuffer, sites::lines::kUserBufferRead);
}

void tUserBuffer::writeToBuffer(uint64_t offset, const void* source, uint64_t size, tStatus& status) const {
  if (status.isFatal() || !covers(offset, size, status)) return;
  const int32_t result = nVLZUK100_replicateOutboundIOControlBuffer(reinterpret_cast<void*>(address_ + offset), source,
                                                                    static_cast<uint32_t>(size));
  nVLAPALS100::setStatusFromZUKStatus(result, status, sites::kUserBuffer, sites::lines::kUserBufferWrite);
}

}  // namespace nVLAPAL000
