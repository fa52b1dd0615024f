// The board's cross switch: a 5-bit mode in the write-only control
// register of the LO1 CPLD. A change of mode hands the settings' settling
// times to the settling-timer handler.
#ifndef VL9738K_RF_PRIMITIVES_CROSS_SWITCH_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_CROSS_SWITCH_PRIMITIVE_H

#include "../../platform/status/tStatus.h"
#include "../settings/CrossSwitchSettings.h"
#include "../settling/SettlingTimerHandler.h"
#include "driver/regmaps/board/cpld/tCxSwCtrlRegMap.h"

namespace nVL9738K_24_0 {

class CrossSwitchPrimitive {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tSettings = vl9738settings::CrossSwitchSettings;

  CrossSwitchPrimitive(nCxSwCtrlRegMap::tCxSwCtrlRegMap& cxSwCtrl, cbak::SettlingTimerHandler* settlingTimerHandler)
      : cxSwCtrl_(cxSwCtrl), settlingTimerHandler_(settlingTimerHandler) {}

  void setRequested(const tSettings& settings, tStatus& status);
  // Writes the requested mode when it changed or the register is still
  // dirty (the register starts dirty, so the first apply always writes).
  void apply(tStatus& status);
  void applyDefaults(tStatus& status);
  void resetToDefaults(tStatus& status);

  const tSettings& getRequested() const { return requested_; }
  const tSettings& getDefaultSettings() const { return defaultSettings_; }

 private:
  nCxSwCtrlRegMap::tCxSwCtrlRegMap& cxSwCtrl_;
  cbak::SettlingTimerHandler* settlingTimerHandler_;
  const tSettings defaultSettings_{};
  tSettings requested_{};
};

}  // namespace nVL9738K_24_0

#endif
