// What both engines' data paths share: the analog front-end delay, held in
// the map's analog front-end delay register, and the DSP pipeline delay.
#ifndef VL9738K_TIMING_DATAPATH_ACQGENSHAREDCONTROL_H
#define VL9738K_TIMING_DATAPATH_ACQGENSHAREDCONTROL_H

#include <stdint.h>

#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/text/FixedPointNumber.h"
#include "driver/timing/ShadowedRegisterWrites.h"

namespace qrtifwprim {

template <typename T>
class AcqGenSharedControl {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tConfig = vlfxptype::Configuration;
  using tNumber = vlfxptype::Number;
  static constexpr tConfig kAnalogFrontEndDelayConfig{0, 64, 32};

  explicit AcqGenSharedControl(T* map) : map_(map) {}
  virtual ~AcqGenSharedControl() {}

  // The delay last programmed; nothing is read.
  virtual tNumber readDSPGroupDelay(tStatus& status) {
    if (status.isFatal()) return {};
    return tNumber{map_->AnalogFrontEndDelay.getValue(), config_};
  }
  virtual uint32_t readDSPPipelineDelay(tStatus& status) {
    return static_cast<uint32_t>(pipeline(*map_).readRegister(status));
  }
  virtual void getAnalogFrontEndDelayFxpConfig(tConfig& out, tStatus& status) {
    if (status.isNotFatal()) out = config_;
  }
  // A number of another format would land in the register misread.
  virtual void programAnalogFrontEndDelay(const tNumber& delay, tStatus& status) {
    if (status.isFatal()) return;
    if (delay.configuration != config_) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    shadowed::writeValue(map_->AnalogFrontEndDelay, delay.raw, status);
  }
  virtual void markDirty(tStatus& status) {
    if (status.isNotFatal()) shadowed::markDirty(map_->AnalogFrontEndDelay);
  }

 private:
  static auto& pipeline(T& map) {
    if constexpr (requires { map.Register74; }) {
      return map.Register74;
    } else {
      return map.Register36;
    }
  }

  T* map_;
  tConfig config_ = kAnalogFrontEndDelayConfig;
};

}  // namespace qrtifwprim

#endif
