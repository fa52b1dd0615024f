#include "../zuk/ZukUserMemory.h"
#include "DeviceSites.h"
#include "IoctlCodegen.h"

namespace {

constexpr int32_t kTooLargeForOneCopy = -51009;

}  // namespace

// Output blocks are small fixed records; one that does not fit a single
// kernel-layer copy is refused rather than cut short.
extern "C" int32_t nVLAPAL200_copyIoctlOutBufferForCodegen(void* userDestination, const void* source, uint64_t size,
                                                           nVLAPALS100_tStatus* status) {
  const int32_t result = size <= UINT32_MAX ? nVLZUK100_replicateOutboundIOControlBuffer(userDestination, source,
                                                                                         static_cast<uint32_t>(size))
                                            : kTooLargeForOneCopy;
  if (result != 0 && status != nullptr) {
    status->setCode(nVLAPALS100::kStatusInvalidParameter,
                    VL_SITE_AT(nVLAPAL000::sites::kIoctl, nVLAPAL000::sites::lines::kCopyOut));
  }
  return result;
}
