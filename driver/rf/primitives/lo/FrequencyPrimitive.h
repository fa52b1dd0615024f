// The frequency of one LO path. The path's AD9162 makes the LO from its
// NCO; the primitive programs the NCO's tuning word and modulus, its phase
// offset, the DAC's full-scale current and clock/DLL settings, the
// reference routed to the LO (in the Ref CPLD) and the LO board's signal
// path, writing only what differs from the register shadows, and hands the
// settling time of what changed to the path's settling-timer handler.
//
// It keeps a default, a requested and a deployed (list-mode) copy of its
// settings; the applied state is the register shadows. After a list started
// or aborted the resync flag forces the next commit to rewrite every register it
// sets by field (it reads nothing back: the shadows still say what was last
// written, only the hardware may have run the list since).
#ifndef VL9738K_RF_PRIMITIVES_LO_FREQUENCY_PRIMITIVE_H
#define VL9738K_RF_PRIMITIVES_LO_FREQUENCY_PRIMITIVE_H

#include <stdint.h>

#include "driver/listmode/iListStateListener.h"
#include "driver/listmode/snooping/WaitWithRedirection.h"
#include "driver/platform/status/tStatus.h"
#include "driver/regmaps/board/cpld/tBoardCtrlRegMap.h"
#include "driver/regmaps/board/cpld/tRefClkToLoRegMap.h"
#include "driver/regmaps/dac/tAd9162RegMap.h"
#include "driver/rf/settings/FrequencySettings.h"
#include "driver/rf/settling/SettlingTimerHandler.h"

namespace nVL9738K_24_0 {

class FrequencyPrimitive : public listmodek::iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using Settings = vl9738settings::FrequencySettings;
  using DacMap = nShared::nAd9162RegMap::tAd9162RegMap;
  using BoardCtrlMap = nShared::nBoardCtrlRegMap::tBoardCtrlRegMap;
  using RefClkToLoMap = nRefClkToLoRegMap::tRefClkToLoRegMap;

  // The DLL is stopped while the reference changes and restarted once the
  // new reference has run this long.
  static constexpr uint32_t kDllRestartDelayUs = 50;
  // A die-temperature sum of this many readings still has a 32-bit divisor.
  static constexpr uint32_t kMaxTemperatureReadings = 125400;
  static constexpr uint32_t kTemperatureCodeScale = 34250;

  // Nothing is owned.
  FrequencyPrimitive(RefClkToLoMap* reference, DacMap* dac, BoardCtrlMap* boardCtrl,
                     cbak::SettlingTimerHandler* settling, WaitWithRedirection* wait);
  ~FrequencyPrimitive() override {}
  FrequencyPrimitive(const FrequencyPrimitive&) = delete;
  FrequencyPrimitive& operator=(const FrequencyPrimitive&) = delete;
  // The wait that a recorded commit turns into a delay of the list.
  WaitWithRedirection* getWait() const { return wait_; }

  void setRequested(const Settings& settings, tStatus& status);
  void commit(tStatus& status) { applyChanges(status); }
  // Starts the DAC, then programs the defaults; a failed start leaves the
  // requested settings as they were.
  void initializeWithDefaults(tStatus& status);
  void applyDefaults(tStatus& status) { initializeWithDefaults(status); }
  void resetToDefaults(tStatus& status) { initializeWithDefaults(status); }

  void saveDeployedSettings(tStatus& status) override;
  void restoreDeployedSettings(tStatus& status) override;
  void onListInitiate(tStatus& status) override;
  void onListAbort(tStatus& status) override;

  // n die-temperature readings: the temperature in degrees C is
  // (signed) sum / divisor. n = 0 and sums or divisors that would not fit
  // 32 bits are refused rather than answered with a wrong mean.
  void readDacTemperatureSum(uint32_t n, uint32_t& sum, uint32_t& divisor, tStatus& status);

  const Settings& getDefault() const { return default_; }
  const Settings& getRequested() const { return requested_; }
  const Settings& getDeployed() const { return deployed_; }
  bool needsResync() const { return resync_ != 0; }
  // The next commit writes every register, whatever the shadows hold: a
  // list run wrote some of them behind the primitive.
  void requireResync() { resync_ = 1; }

 private:
  struct Maxima {
    uint32_t time0 = 0;
    uint32_t time1 = 0;
    void fold(const Settings& settings, uint32_t entry);
  };

  void applyChanges(tStatus& status);
  void applyClockOverrides(bool force, tStatus& status);
  // Returns the DLL-stop decision for a reference change.
  bool stopDllForReferenceChange(bool refChange, bool force, tStatus& status);
  // Which of the five signal-path groups changed.
  uint32_t applySignalPath(bool force, tStatus& status);
  void applyNcoSettings(bool force, Maxima& maxima, tStatus& status);
  uint16_t readDacTemperatureCode(tStatus& status);

  RefClkToLoMap* reference_;
  DacMap* dac_;
  cbak::SettlingTimerHandler* settling_;
  BoardCtrlMap* boardCtrl_;
  Settings default_;
  Settings requested_;
  Settings deployed_;
  uint8_t resync_;
  WaitWithRedirection* wait_;
};

}  // namespace nVL9738K_24_0

#endif
