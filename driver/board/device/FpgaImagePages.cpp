#include "FpgaImagePages.h"

#include "driver/fpga/FpgaImage.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukMemory.h"

namespace nVL9738K_24_0 {

FpgaImagePages::FpgaImagePages(tStatus& status)
    : pageCount_(0), pageSize_(nVLZUK100_getPageSize()), handle_(0), mapped_(nullptr) {
  if (status.isFatal()) return;
  pageCount_ = (vllym::FpgaImage::kBitstreamSize + pageSize_ - 1) / pageSize_;
  handle_ = nVLZUK220_tPageList_createFromAllocation(pageCount_, kPageListFlags);
  if (handle_ == 0) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  mapped_ = static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(handle_, 0, pageCount_, pageSize_));
  if (mapped_ == nullptr) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
}

FpgaImagePages::~FpgaImagePages() {
  if (mapped_ != nullptr) nVLZUK220_tPageList_unmapFromKernel(handle_, mapped_);
  if (handle_ != 0) nVLZUK220_tPageList_destroy(handle_);
}

void FpgaImagePages::unpack(const uint8_t* stored, uint64_t storedSize, tStatus& status) {
  if (status.isFatal()) return;
  tStatus local;
  const vllym::FpgaImage image(stored, storedSize, local);
  if (local.isNotFatal() && image.getUncompressedSize() != vllym::FpgaImage::kBitstreamSize) {
    local.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
  image.decompress(mapped_, pageCount_ * pageSize_, local);
  if (local.isFatal()) status.setCode(nVLAPALS100::kStatusPlatformFailure, VL_SITE);
}

nVLAPAL000::tPageList FpgaImagePages::getPageList() const {
  return nVLAPAL000::tPageList{vllym::FpgaImage::kBitstreamSize, 0, handle_};
}

}  // namespace nVL9738K_24_0
