// Decides, when a session opens a personality, whether the design already
// running on the FPGA serves it or a download is needed, and whether that
// download may happen now.
//
// The running design is reused when the FPGA is programmed and either the
// personality asks for reuse (attribute bit 25), or it does not force a
// download (bit 29) and the design's signature is the expected one or the
// wildcard signature that matches every personality.
#ifndef VL9738K_FPGA_SESSION_OPENFPGASESSIONPOLICYCOMMON_H
#define VL9738K_FPGA_SESSION_OPENFPGASESSIONPOLICYCOMMON_H

#include <stdint.h>

#include "FpgaDownloadPolicySingleFpgaSession.h"
#include "SignatureRegisterCommon.h"

namespace vllym {

class DownloadKmr4;

class OpenFpgaSessionPolicyCommon {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kReuseRunningDesign = 1u << 25;
  static constexpr uint32_t kForceDownload = 1u << 29;
  static constexpr uint32_t kWildcardSignature[4] = {0xDEADBEEF, 0x5555AAAA, 0x01234567, 0xDEADBEEF};

  // None is owned.
  OpenFpgaSessionPolicyCommon(const FpgaDownloadPolicySingleFpgaSession* download, SignatureRegisterCommon* signature,
                              DownloadKmr4* board)
      : download_(download), signature_(signature), board_(board) {}
  virtual ~OpenFpgaSessionPolicyCommon() {}

  // True when the session may proceed; `needsDownload` tells whether it
  // must download first. A refused download ends with -61141.
  virtual bool openSession(uint32_t attributes, const Signature& expected, bool& needsDownload, tStatus& status);

 private:
  bool isReusable(uint32_t attributes, const Signature& expected, tStatus& status);

  const FpgaDownloadPolicySingleFpgaSession* download_;
  SignatureRegisterCommon* signature_;
  DownloadKmr4* board_;  // tells whether a design is running
};

}  // namespace vllym

#endif
