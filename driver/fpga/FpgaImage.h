// An FPGA image in its stored layout: the bytes 4C 5A 34 00, four zero
// bytes, the uncompressed size (u64, little-endian), sixteen zero bytes,
// then the bitstream as one LZ4 block. The module carries one such image,
// the board's configuration.
#ifndef VL9738K_FPGA_FPGAIMAGE_H
#define VL9738K_FPGA_FPGAIMAGE_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vllym {

class FpgaImage {
 public:
  static constexpr uint64_t kHeaderSize = 32;
  static constexpr uint64_t kBitstreamSize = 1485329;

  // Checks the header; a broken layout leaves the image empty with -52005.
  FpgaImage(const uint8_t* stored, uint64_t storedSize, nVLAPALS100::tStatus& status);

  // The one the module carries.
  static const uint8_t* embeddedData();
  static uint64_t embeddedSize();

  uint64_t getUncompressedSize() const { return uncompressedSize_; }
  const uint8_t* getBlock() const { return block_; }
  uint64_t getBlockSize() const { return blockSize_; }

  // Decompresses the whole bitstream into `destination`; -52005 when it
  // does not fit or the block does not yield exactly the stated size.
  void decompress(uint8_t* destination, uint64_t capacity, nVLAPALS100::tStatus& status) const;

 private:
  const uint8_t* block_;
  uint64_t blockSize_;
  uint64_t uncompressedSize_;
};

}  // namespace vllym

#endif
