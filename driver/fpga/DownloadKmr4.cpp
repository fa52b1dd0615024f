#include "DownloadKmr4.h"

#include "BitReversal.h"
#include "HardwareFault.h"
#include "HardwareWait.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vllym {

using nVLAPAL000::tTimeWasterYield;

bool DownloadKmr4::isFpgaProgrammed(tStatus& status) {
  const uint32_t select = (accessor_->read32(kActivePort, status) >> 8) & 7;
  const uint32_t monitor = accessor_->read32(kMonitor, status);
  return status.isNotFatal() && ((monitor >> select) & 1) != 0;
}

void DownloadKmr4::download(const uint8_t* image, uint32_t byteCount, tStatus& status) {
  if (status.isFatal()) return;
  // The bridge's port to a running FPGA must be closed before the FPGA
  // goes away under it; an empty FPGA has nothing behind the port.
  if (isFpgaProgrammed(status)) configuration_->disableIoPort2(status);
  if (image == nullptr) {
    clear(status);
  } else {
    load(image, byteCount, status);
  }
}

void DownloadKmr4::load(const uint8_t* image, uint32_t byteCount, tStatus& status) {
  accessor_->write32(kByteCount, byteCount, status);
  accessor_->write32(kLoadingControl, 1, status);
  const uint32_t ready = waitForValue<tTimeWasterYield>(
      kBudgetMs, [&] { return accessor_->read32(kLoadStatus, status); },
      [](uint32_t value) { return (value & kReady) != 0; }, status);
  if ((ready & kReady) == 0) VL_HARDWARE_FAULT("timed out waiting for the FPGA to be ready to program", status);
  if (status.isFatal()) return;

  const uint32_t words = byteCount / 4;
  for (uint32_t word = 0; word < words && status.isNotFatal(); ++word) {
    accessor_->write32(kLoadingData, reversedWord(image + 4 * word), status);
  }
  for (uint32_t at = words * 4; at < byteCount; ++at) {
    accessor_->write8(kLoadingData, kByteReversal.entries[image[at]], status);
  }

  const uint32_t outcome = waitForValue<tTimeWasterYield>(
      kBudgetMs, [&] { return accessor_->read32(kLoadStatus, status); },
      [](uint32_t value) { return (value & (kFailed | kDone)) != 0; }, status);
  if ((outcome & (kFailed | kDone)) == 0) VL_HARDWARE_FAULT("fpga programming status bit not set", status);
  // Done together with failed is a failed load.
  if ((outcome & kFailed) != 0) VL_HARDWARE_FAULT("fpga programming failed", status);
  if (status.isNotFatal()) configuration_->enableIoPort2(status);
}

void DownloadKmr4::clear(tStatus& status) {
  accessor_->write32(kLoadingControl, 1, status);
  const bool programmed = waitForValue<tTimeWasterYield>(
      kBudgetMs, [&] { return isFpgaProgrammed(status); }, [](bool value) { return !value; }, status);
  if (programmed) VL_HARDWARE_FAULT("timed out waiting for FPGA to not be programmed", status);
}

void DownloadKmr4::downloadFromPageList(const nVLAPAL000::tPageList& pages, tStatus& status) {
  if (status.isFatal()) return;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  const uint64_t within = pages.offset % pageSize;
  const uint64_t firstPage = pages.offset / pageSize;
  // An offset inside the first page can push the end onto one more page.
  const uint64_t pageCount = (pages.size + pageSize - 1 + within) / pageSize;
  // The loader's byte counter is 32 bits wide.
  if (pages.size > UINT32_MAX) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  void* mapped = nVLZUK220_tPageList_mapToKernel(pages.handle, firstPage, pageCount, pageSize);
  if (mapped == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  download(static_cast<const uint8_t*>(mapped) + within, static_cast<uint32_t>(pages.size), status);
  nVLZUK220_tPageList_unmapFromKernel(pages.handle, mapped);
}

}  // namespace vllym
