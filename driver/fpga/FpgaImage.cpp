#include "FpgaImage.h"

#include <lz4.h>

namespace vllym {

namespace {

constexpr uint8_t kMagic[4] = {0x4C, 0x5A, 0x34, 0x00};

}  // namespace

FpgaImage::FpgaImage(const uint8_t* stored, uint64_t storedSize, nVLAPALS100::tStatus& status)
    : block_(nullptr), blockSize_(0), uncompressedSize_(0) {
  if (status.isFatal()) return;
  bool valid = stored != nullptr && storedSize > kHeaderSize;
  for (uint64_t i = 0; valid && i < sizeof kMagic; ++i) valid = stored[i] == kMagic[i];
  uint64_t size = 0;
  for (uint64_t i = 0; valid && i < 8; ++i) size |= uint64_t{stored[8 + i]} << (8 * i);
  // The decoder counts in int.
  valid = valid && size != 0 && size <= INT32_MAX && storedSize - kHeaderSize <= INT32_MAX;
  if (!valid) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  block_ = stored + kHeaderSize;
  blockSize_ = storedSize - kHeaderSize;
  uncompressedSize_ = size;
}

void FpgaImage::decompress(uint8_t* destination, uint64_t capacity, nVLAPALS100::tStatus& status) const {
  if (status.isFatal()) return;
  if (block_ == nullptr || destination == nullptr || capacity < uncompressedSize_) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  // The safe decoder never writes past the stated size, whatever the block holds.
  const int produced = LZ4_decompress_safe(reinterpret_cast<const char*>(block_), reinterpret_cast<char*>(destination),
                                           static_cast<int>(blockSize_), static_cast<int>(uncompressedSize_));
  if (produced < 0 || static_cast<uint64_t>(produced) != uncompressedSize_) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
}

}  // namespace vllym
