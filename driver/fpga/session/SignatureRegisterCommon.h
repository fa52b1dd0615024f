// The signature the running FPGA design reports: four words read in turn
// from one register of the FPGA window, whose offset the configured
// personality gives.
#ifndef VL9738K_FPGA_SESSION_SIGNATUREREGISTERCOMMON_H
#define VL9738K_FPGA_SESSION_SIGNATUREREGISTERCOMMON_H

#include <stdint.h>

#include "ConfigurePersonalityCommonDeserializer.h"
#include "driver/regaccess/IIoAccessor.h"

namespace vllym {

class SignatureRegisterCommon {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // The accessor is not owned.
  explicit SignatureRegisterCommon(kernel::IIoAccessor* fpga) : fpga_(fpga), offset_(0xFFFFFFFF) {}
  virtual ~SignatureRegisterCommon() {}

  // Always four words; zeros where the read failed. An offset outside the
  // window fails in the accessor (-52005).
  virtual Signature readSignature(tStatus& status);

  void setOffset(uint32_t offset) { offset_ = offset; }
  uint32_t getOffset() const { return offset_; }

 private:
  kernel::IIoAccessor* fpga_;
  uint32_t offset_;
};

}  // namespace vllym

#endif
