// The output power of one LO path: the board's 7-bit attenuator and the
// 16-bit DC amplitude the path's AD9162 outputs (its two DC test-data
// registers, high byte first). A reduction applies only what lowers the
// power (more attenuation, less amplitude), so that a later full commit
// never passes through a power above both the old and the new setting; a
// commit applies everything. Only an attenuator change needs settling time.
//
// Like the frequency primitive it keeps a default, a requested and a
// deployed (list-mode) copy, and after a list started or aborted its resync
// flag makes a reduction re-read the registers and a commit rewrite them.
#ifndef VL9738K_RF_PRIMITIVES_LO_POWER_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_LO_POWER_PRIMITIVE_H

#include <stdint.h>

#include "driver/listmode/iListStateListener.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regmaps/board/cpld/tBoardCtrlRegMap.h"
#include "driver/regmaps/dac/tAd9162RegMap.h"
#include "driver/rf/settings/PowerSettings.h"
#include "driver/rf/settling/SettlingTimerHandler.h"

namespace nVL9738K_24_0 {

class PowerPrimitive : public listmodek::iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using Settings = vl9738settings::PowerSettings;
  using DacMap = nShared::nAd9162RegMap::tAd9162RegMap;
  using BoardCtrlMap = nShared::nBoardCtrlRegMap::tBoardCtrlRegMap;

  // Nothing is owned.
  PowerPrimitive(BoardCtrlMap* attenuator, DacMap* dac, cbak::SettlingTimerHandler* settling);
  ~PowerPrimitive() override {}
  PowerPrimitive(const PowerPrimitive&) = delete;
  PowerPrimitive& operator=(const PowerPrimitive&) = delete;

  void setRequested(const Settings& settings, tStatus& status);
  void applyPowerReductions(tStatus& status);
  void commit(tStatus& status);
  // Commits even with an error status (and so writes nothing then).
  void applyDefaults(tStatus& status);
  void resetToDefaults(tStatus& status);

  void saveDeployedSettings(tStatus& status) override;
  void restoreDeployedSettings(tStatus& status) override;
  void onListInitiate(tStatus& status) override;
  void onListAbort(tStatus& status) override;

  const Settings& getDefault() const { return default_; }
  const Settings& getRequested() const { return requested_; }
  const Settings& getDeployed() const { return deployed_; }
  bool needsResync() const { return resync_ != 0; }
  // The next commit writes every register, whatever the shadows hold: a
  // list run wrote some of them behind the primitive.
  void requireResync() { resync_ = 1; }

 private:
  template <typename tRegister>
  void refreshWhenStale(tRegister& reg, tStatus& status);
  void programSettling(bool attenuatorChanged, tStatus& status);

  BoardCtrlMap* attenuator_;
  DacMap* dac_;
  cbak::SettlingTimerHandler* settling_;
  Settings default_;
  Settings requested_;
  Settings deployed_;
  uint8_t resync_;
};

}  // namespace nVL9738K_24_0

#endif
