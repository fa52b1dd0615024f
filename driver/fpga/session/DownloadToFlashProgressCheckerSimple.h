// Whether a download to the board's flash is under way; the session sets
// it around a flash download or clear.
#ifndef VL9738K_FPGA_SESSION_DOWNLOADTOFLASHPROGRESSCHECKERSIMPLE_H
#define VL9738K_FPGA_SESSION_DOWNLOADTOFLASHPROGRESSCHECKERSIMPLE_H

#include <stdint.h>

namespace vllym {

class DownloadToFlashProgressCheckerSimple {
 public:
  virtual ~DownloadToFlashProgressCheckerSimple() {}
  virtual bool isDownloadToFlashInProgress() const { return inProgress_ != 0; }
  void setInProgress(bool inProgress) { inProgress_ = inProgress ? 1 : 0; }

 private:
  uint8_t inProgress_ = 0;
};

}  // namespace vllym

#endif
