// The board's FPGA bitstream unpacked into kernel pages, the form in which
// the board object downloads it. The pages are allocated and mapped for
// the object's life and given back by its destruction, also after a
// failure.
#ifndef VL9738K_BOARD_DEVICE_FPGAIMAGEPAGES_H
#define VL9738K_BOARD_DEVICE_FPGAIMAGEPAGES_H

#include <stdint.h>

#include "driver/platform/dma/tPageList.h"
#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

class FpgaImagePages {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Page list flags: allocated, zeroed, mappable by the kernel.
  static constexpr uint32_t kPageListFlags = 7;

  // Room for the bitstream; -52000 when the pages cannot be had or mapped.
  explicit FpgaImagePages(tStatus& status);
  ~FpgaImagePages();
  FpgaImagePages(const FpgaImagePages&) = delete;
  FpgaImagePages& operator=(const FpgaImagePages&) = delete;

  // Decompresses a stored image. Only an image that is intact in every
  // respect is unpacked: the header (magic, the board's bitstream size), a
  // block that decodes within its own length to exactly that size.
  // Anything else fails with -52008 and must not reach the FPGA.
  void unpack(const uint8_t* stored, uint64_t storedSize, tStatus& status);

  nVLAPAL000::tPageList getPageList() const;
  const uint8_t* getData() const { return mapped_; }

 private:
  uint64_t pageCount_;
  uint64_t pageSize_;
  uint64_t handle_;
  uint8_t* mapped_;
};

}  // namespace nVL9738K_24_0

#endif
