#include "WexelDmaChannelPolling.h"

#include "driver/fpga/FpgaFault.h"
#include "driver/platform/time/tTimeout.h"
#include "driver/platform/zuk/ZukTime.h"

namespace vllym {
namespace {

constexpr uint64_t kNanosecondsPerMs = 1000000;

uint64_t now() { return nVLAPAL000::tTimebasePrecise::getTime(); }

}  // namespace

void WexelDmaChannelPolling::setError(int32_t code) {
  __atomic_store_n(&errorCode_, code, __ATOMIC_RELAXED);
  __atomic_store_n(&errorSet_, 1, __ATOMIC_RELEASE);
}

void WexelDmaChannelPolling::clearError() { __atomic_store_n(&errorSet_, 0, __ATOMIC_RELEASE); }

void WexelDmaChannelPolling::takeError(tStatus& status) {
  if (errorIsSet()) status.setCode(__atomic_load_n(&errorCode_, __ATOMIC_RELAXED), VL_SITE);
}

void WexelDmaChannelPolling::waitForStop(uint32_t timeoutMs, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t start = now();
  const uint64_t budget = uint64_t{timeoutMs} * kNanosecondsPerMs;
  bool expired = false;
  for (;;) {
    const uint32_t channelStatus = readChannelStatus();
    if ((channelStatus & kStopStatus) != 0) {
      if ((channelStatus & kHostMemoryError) != 0) {
        VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault", "DMA completed with CHSR Error bit set. CHSR: %X",
                      channelStatus);
      }
      takeError(status);
      return;
    }
    nVLZUK250_sleepTimeout(kStopPollSleepUs);
    expired = now() - start >= budget;
    if (expired || status.isFatal() || errorIsSet()) break;
  }
  takeError(status);
  if (expired) status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
}

uint64_t WexelDmaChannelPolling::waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
  const uint64_t start = now();
  const uint64_t budget = uint64_t{timeoutMs} * kNanosecondsPerMs;
  uint64_t last = 0;
  for (;;) {
    *timedOut = now() - start >= budget ? 1 : 0;
    last = bytesTransferred();
    if (last >= bytes) {
      *timedOut = 0;
      return last;
    }
    if (status.isFatal()) return last;
    if (*timedOut != 0 || errorIsSet()) break;
  }
  if (*timedOut != 0 && (readChannelStatus() & kHostMemoryError) != 0) {
    VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault", "The FIFO reported an error accessing host memory");
  }
  takeError(status);
  return last;
}

}  // namespace vllym
