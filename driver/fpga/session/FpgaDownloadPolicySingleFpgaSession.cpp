#include "FpgaDownloadPolicySingleFpgaSession.h"

#include "SessionStatusCodes.h"
#include "driver/platform/sync/Atomic.h"

namespace vllym {

bool FpgaDownloadPolicySingleFpgaSession::isDownloadAllowed(FpgaDownloadReason reason, tStatus& status) const {
  if (status.isFatal()) return false;
  const uint32_t count = nVLAPAL000::atomicLoad(*personalityCount_);
  if (reason == kDownloadToOpenPersonality && count == 0) return true;
  // The calling session's own personality may be the one configured.
  if (reason == kDownloadRequested && count < 2) return true;
  refuse(*refusalCode_, status);
  return false;
}

void FpgaDownloadPolicySingleFpgaSession::refuse(int32_t refusalCode, tStatus& status) {
  status.setCode(refusalCode, VL_SITE);
  status.setCode(kStatusDownloadRefused, VL_SITE);
}

}  // namespace vllym
