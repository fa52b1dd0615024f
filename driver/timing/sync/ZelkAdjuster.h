// The medium step of an engine's trigger-clock adjustment: an 8-bit sample
// delay in the engine's own block.
#ifndef VL9738K_TIMING_SYNC_ZELKADJUSTER_H
#define VL9738K_TIMING_SYNC_ZELKADJUSTER_H

#include <stdint.h>

#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/status/tStatus.h"

namespace qrtifwprim {

class ZelkAdjusterInterface {
 public:
  virtual ~ZelkAdjusterInterface() {}
  virtual void applyMediumAdjustment(uint32_t value, nVLAPALS100::tStatus& status) = 0;
};

template <typename tEngineMap>
class ZelkAdjuster final : public ZelkAdjusterInterface {
 public:
  static constexpr uint32_t kLargestAdjustment = 0xFF;

  explicit ZelkAdjuster(tEngineMap& engine) : engine_(engine) {}

  void applyMediumAdjustment(uint32_t value, nVLAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    if (value > kLargestAdjustment) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return;
    }
    engine_.SyncSampleDelay.setWord(static_cast<uint8_t>(value), status).flush(status, false);
  }

 private:
  tEngineMap& engine_;
};

}  // namespace qrtifwprim

#endif
