// The board's embedded FPGA image in kernel pages, as the bring-up hands
// it to the download: a bitfile the board model accepts.
#ifndef VL9738K_TESTS_FPGASESSION_IMAGEPAGES_H
#define VL9738K_TESTS_FPGASESSION_IMAGEPAGES_H

#include "driver/fpga/FpgaImage.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace vltest {

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
