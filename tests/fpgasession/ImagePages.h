// The board's embedded FPGA image in kernel pages, as the bring-up hands
// it to the download: a bitfile the board model accepts; and the registers
// and signature of the design the FPGA tests load with it.
#ifndef VL9738K_TESTS_FPGASESSION_IMAGEPAGES_H
#define VL9738K_TESTS_FPGASESSION_IMAGEPAGES_H

#include <vector>

#include "driver/fpga/FpgaImage.h"
#include "driver/fpga/session/ConfigurePersonalityCommonDeserializer.h"
#include "driver/fpga/wire/CommonRegisterSet.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"
#include "sim/board/FpgaPersonality.h"

namespace vltest {

inline constexpr uint32_t kControl = 0x100, kReset = 0x104, kSignature = 0x108, kIrq = 0x200;

// The design's common register set; no interrupt block unless given, and
// no host-buffer block.
inline vllym::CommonRegisterSet designRegisters(uint32_t irq = vllym::CommonRegisterSet::kUnset,
                                                uint32_t signature = kSignature) {
  vllym::CommonRegisterSet set;
  set.controlRegister = kControl;
  set.resetRegister = kReset;
  set.irqBase = irq;
  set.signatureRegister = signature;
  return set;
}

inline vllym::Signature signatureOf(const std::vector<uint32_t>& words) {
  vllym::Signature s;
  for (uint32_t w : words) s.insert_(s.end(), &w, &w + 1);
  return s;
}

class ImagePages {
 public:
  ImagePages() {
    nVLAPALS100::tStatus status;
    vllym::FpgaImage image(vllym::FpgaImage::embeddedData(), vllym::FpgaImage::embeddedSize(), status);
    const uint64_t pageSize = nVLZUK100_getPageSize();
    const uint64_t pages = (image.getUncompressedSize() + pageSize - 1) / pageSize;
    handle_ = nVLZUK220_tPageList_createFromAllocation(pages, 7);
    auto* mapped = static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(handle_, 0, pages, pageSize));
    image.decompress(mapped, pages * pageSize, status);
    nVLZUK220_tPageList_unmapFromKernel(handle_, mapped);
    list_ = nVLAPAL000::tPageList{image.getUncompressedSize(), 0, handle_};
  }
  ~ImagePages() { nVLZUK220_tPageList_destroy(handle_); }
  const nVLAPAL000::tPageList& list() const { return list_; }

 private:
  uint64_t handle_;
  nVLAPAL000::tPageList list_;
};

}  // namespace vltest

#endif
