// Allows a download only while no other session depends on the running
// design: none may hold a personality when a download is needed to open
// one, and only the caller's own may when a session asks for a download.
#ifndef VL9738K_FPGA_SESSION_FPGADOWNLOADPOLICYSINGLEFPGASESSION_H
#define VL9738K_FPGA_SESSION_FPGADOWNLOADPOLICYSINGLEFPGASESSION_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vllym {

enum FpgaDownloadReason : uint32_t {
  kDownloadToOpenPersonality = 0,
  kDownloadRequested = 1,
};

class FpgaDownloadPolicySingleFpgaSession {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Both cells belong to the device's FPGA state.
  FpgaDownloadPolicySingleFpgaSession(const uint32_t* personalityCount, const int32_t* refusalCode)
      : personalityCount_(personalityCount), refusalCode_(refusalCode) {}
  virtual ~FpgaDownloadPolicySingleFpgaSession() {}

  // Refused: see refuse.
  virtual bool isDownloadAllowed(FpgaDownloadReason reason, tStatus& status) const;

  // A refusal of a download or a flash operation: the device's download
  // refusal code, then -61141 (the code may have been set to success or a
  // warning, and a refusal must fail).
  static void refuse(int32_t refusalCode, tStatus& status);

 private:
  const uint32_t* personalityCount_;
  const int32_t* refusalCode_;
};

}  // namespace vllym

#endif
