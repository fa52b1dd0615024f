#include "OpenFpgaSessionPolicyCommon.h"

#include "SessionStatusCodes.h"
#include "driver/fpga/DownloadKmr4.h"

namespace vllym {
namespace {

bool equals(const Signature& signature, const uint32_t* words, uint64_t count) {
  if (signature.size() != count) return false;
  for (uint64_t i = 0; i < count; ++i) {
    if (signature[i] != words[i]) return false;
  }
  return true;
}

}  // namespace

bool OpenFpgaSessionPolicyCommon::isReusable(uint32_t attributes, const Signature& expected, tStatus& status) {
  if (!board_->isFpgaProgrammed(status) || status.isFatal()) return false;
  if ((attributes & kReuseRunningDesign) != 0) return true;
  if ((attributes & kForceDownload) != 0) return false;
  const Signature running = signature_->readSignature(status);
  if (status.isFatal()) return false;
  return equals(running, expected.begin(), expected.size()) || equals(running, kWildcardSignature, 4);
}

bool OpenFpgaSessionPolicyCommon::openSession(uint32_t attributes, const Signature& expected, bool& needsDownload,
                                              tStatus& status) {
  bool proceed = true;
  needsDownload = false;
  if (!isReusable(attributes, expected, status)) {
    needsDownload = true;
    proceed = download_->isDownloadAllowed(kDownloadToOpenPersonality, status);
    // The refusal code may be a warning or success; a refused open fails.
    if (!proceed) status.setCode(kStatusDownloadRefused, VL_SITE);
  }
  if (status.isFatal()) {
    needsDownload = false;
    return false;
  }
  return proceed;
}

}  // namespace vllym
