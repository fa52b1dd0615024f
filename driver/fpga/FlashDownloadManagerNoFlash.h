// The flash download manager of a board without a flash the FPGA session
// may program: every operation is refused.
#ifndef VL9738K_FPGA_FLASHDOWNLOADMANAGERNOFLASH_H
#define VL9738K_FPGA_FLASHDOWNLOADMANAGERNOFLASH_H

#include <stdint.h>

#include "driver/platform/status/StatusSite.h"
#include "driver/platform/status/tStatus.h"

namespace vllym {

inline constexpr int64_t kStatusNotProvidedOnBoard = -63193;

class FlashDownloadManagerNoFlash {
 public:
  using tStatus = nVLAPALS100::tStatus;

  virtual ~FlashDownloadManagerNoFlash() {}
  // Whether an image would be taken at all: asked before the image is
  // copied in, so that a refusal costs no kernel memory.
  virtual bool acceptsDownloads(tStatus& status) {
    refuse(status);
    return false;
  }
  virtual void downloadToFlash(const uint8_t*, uint32_t, tStatus& status) { refuse(status); }
  virtual void setFlashAutoloadMode(uint32_t, tStatus& status) { refuse(status); }
  virtual uint32_t getFlashAutoloadMode(tStatus& status) {
    refuse(status);
    return 0xFFFFFFFF;
  }
  virtual void clearFlash(tStatus& status) { refuse(status); }
  virtual void clearFirstSector(tStatus& status) { refuse(status); }

 private:
  static void refuse(tStatus& status) { status.setCode(kStatusNotProvidedOnBoard, VL_SITE); }
};

}  // namespace vllym

#endif
