// One trigger synchronizer of an engine: an enable and two options, each
// of which the block takes as a bit that is set when the option is 0.
#ifndef VL9738K_TIMING_SYNC_TRIGGERSYNCHRONIZER_H
#define VL9738K_TIMING_SYNC_TRIGGERSYNCHRONIZER_H

#include <stdint.h>

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/regmaps/timing/tBasicTriggerSyncRegMap.h"

namespace qrtifwprim {

class TriggerSynchronizer {
 public:
  using tMap = basictriggersyncregmap::tBasicTriggerSyncRegMap;
  using tStatus = nVLAPALS100::tStatus;

  TriggerSynchronizer(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status);
  virtual ~TriggerSynchronizer();
  TriggerSynchronizer(const TriggerSynchronizer&) = delete;
  TriggerSynchronizer& operator=(const TriggerSynchronizer&) = delete;

  virtual void setEnable(bool enable, tStatus& status);
  // Each option must be 0 or 1; a refused one is written as 0.
  virtual void configure(uint32_t first, uint32_t second, tStatus& status);

 private:
  bool usable(tStatus& status) const;

  vlifw::InstructionTargetMXRM* target_ = nullptr;
  tMap* registers_ = nullptr;
};

// An option byte of a configuration: 0 or 1, anything else refused and
// taken as 0.
inline uint32_t checkedOption(uint32_t option, nVLAPALS100::tStatus& status) {
  if (option <= 1) return option;
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return 0;
}

}  // namespace qrtifwprim

#endif
