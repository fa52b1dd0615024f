// The acquisition DSP's halving of its output data.
#ifndef VL9738K_TIMING_DATAPATH_DSPSCALEDATABYTWOCONTROL_H
#define VL9738K_TIMING_DATAPATH_DSPSCALEDATABYTWOCONTROL_H

#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"
#include "driver/timing/ShadowedRegisterWrites.h"

namespace qrtifwprim {

template <typename T = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters>
class DSPScaleDataByTwoControl {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit DSPScaleDataByTwoControl(T* map) : map_(map) {}
  virtual ~DSPScaleDataByTwoControl() {}

  virtual void set(bool value, tStatus& status) { map_->WritableLowerBit68.writeBit0(value, status, false); }
  virtual void markDirty(tStatus& status) {
    if (status.isNotFatal()) shadowed::markDirty(map_->WritableLowerBit68);
  }

 private:
  T* map_;
};

}  // namespace qrtifwprim

#endif
