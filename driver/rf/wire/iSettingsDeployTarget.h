// Where the records of a settings blob go: the resource object deploys each
// into the reservation policy of its resource id. Every operation reports
// -52002 unless the target overrides it.
#ifndef VL9738K_RF_WIRE_ISETTINGS_DEPLOY_TARGET_H
#define VL9738K_RF_WIRE_ISETTINGS_DEPLOY_TARGET_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "../settings/CrossSwitchSettings.h"
#include "../settings/FrequencySettings.h"
#include "../settings/PowerSettings.h"
#include "../settings/RefClockSettings.h"

namespace vl9738settings {

class iSettingsDeployTarget {
 public:
  virtual void deploySettings(uint32_t resourceId, const RefClockSettings& settings, nVLAPALS100::tStatus& status);
  virtual void deploySettings(uint32_t resourceId, const CrossSwitchSettings& settings, nVLAPALS100::tStatus& status);
  virtual void deploySettings(uint32_t resourceId, const FrequencySettings& settings, nVLAPALS100::tStatus& status);
  virtual void deploySettings(uint32_t resourceId, const PowerSettings& settings, nVLAPALS100::tStatus& status);

 protected:
  ~iSettingsDeployTarget() = default;
};

}  // namespace vl9738settings

#endif
