// Hands settling times to the two settling controls of one timing engine.
// After a primitive changes the hardware it tells the handler how long the
// path needs to settle, and the handler writes that time to both controls.
// The device has one handler per LO path (LO0 drives the generation
// engine's controls, LO1 the acquisition engine's; the cross switch uses
// the LO1 handler) and attaches the controls once the engine resources
// exist; until then, and whenever they go away, the handler has none.
//
// Besides the direct write, the handler keeps settling tables keyed by
// component: fixed settings in two maps, and delta curves (a rising and a
// falling set) that map the size of a change to the two times. A key is
// fixed or delta by its first registration and stays so.
#ifndef VL9738K_RF_SETTLING_SETTLING_TIMER_HANDLER_H
#define VL9738K_RF_SETTLING_SETTLING_TIMER_HANDLER_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "ComponentUID.h"
#include "DeltaSettlingData.h"
#include "MemoryManagedITLMap.h"
#include "iSettlingControl.h"

namespace cbak {

class SettlingTimerHandler {
 public:
  struct SettlingDataProperties {
    bool hasDeltaCurves;    // the key uses delta curves, not fixed settings
    bool hasFallingCurves;  // the key also has a falling curve set
  };

  // The controls are not owned; the device passes null and attaches them
  // once the engines exist.
  SettlingTimerHandler(iSettlingControl* control0, iSettlingControl* control1)
      : control0_(control0), control1_(control1) {}
  ~SettlingTimerHandler() { clear(); }
  SettlingTimerHandler(const SettlingTimerHandler&) = delete;
  SettlingTimerHandler& operator=(const SettlingTimerHandler&) = delete;

  void attachControls(iSettlingControl* control0, iSettlingControl* control1) {
    control0_ = control0;
    control1_ = control1;
  }
  // Before the engines are rebuilt (an FPGA download) or torn down.
  void clearControls() { attachControls(nullptr, nullptr); }
  // The device's gate, which ends the settling waits early.
  void attachGate(const SettlingGate& gate) { gate_ = gate; }
  const SettlingGate& getGate() const { return gate_; }
  // The timers the settling wait polls or hands its wait to; null when absent.
  iSettlingControl* getFirstTimer() const { return control0_; }
  iSettlingControl* getSecondTimer() const { return control1_; }

  // Writes both times; both writes are attempted even when the first fails.
  // Zeros are written like any other time.
  void setTimers(uint32_t settlingTime0, uint32_t settlingTime1, nVLAPALS100::tStatus& status);
  // Writes control 0 when it is present; nothing otherwise, without error.
  void setFirstTimer(uint32_t value, nVLAPALS100::tStatus& status);

  void registerFirstSetting(const ConfigV1ki::SettlingSetting& setting, nVLAPALS100::tStatus& status);
  void registerSecondSetting(const ConfigV1ki::SettlingSetting& setting, nVLAPALS100::tStatus& status);
  void programFirstSetting(const ConfigV1ki::ComponentUID& key, nVLAPALS100::tStatus& status);
  void programSecondSetting(const ConfigV1ki::ComponentUID& key, nVLAPALS100::tStatus& status);
  ConfigV1ki::SettlingSetting* findFirstSetting(const ConfigV1ki::ComponentUID& key, nVLAPALS100::tStatus& status);
  ConfigV1ki::SettlingSetting* findSecondSetting(const ConfigV1ki::ComponentUID& key, nVLAPALS100::tStatus& status);

  // Fills curve 0 or 1 of the key's rising or falling curve set.
  void registerDeltaCurve(const ConfigV1ki::ComponentUID& key, const uint32_t* values, const uint32_t* breakpoints,
                          uint32_t count, uint8_t curve, bool falling, bool interpolate, nVLAPALS100::tStatus& status);
  // Writes the settling times of a change of the key's value from oldValue
  // to newValue. A fall uses the falling curves when the key has them, else
  // the rising curves with the size of the fall. Unknown keys: nothing.
  void applyChange(const ConfigV1ki::ComponentUID& key, uint32_t oldValue, uint32_t newValue,
                   nVLAPALS100::tStatus& status);

  // Frees every settling table; the controls stay attached.
  void clear();

 private:
  using SettingsMap = MemoryManagedITLMap<ConfigV1ki::ComponentUID, ConfigV1ki::SettlingSetting>;
  using CurvesMap = MemoryManagedITLMap<ConfigV1ki::ComponentUID, DeltaSettlingData*>;

  void writeBoth(uint32_t time0, uint32_t time1, unsigned line0, unsigned line1, nVLAPALS100::tStatus& status);
  void registerSetting(SettingsMap& map, const ConfigV1ki::SettlingSetting& setting, unsigned deltaKeyLine,
                       nVLAPALS100::tStatus& status);
  void programSetting(const SettingsMap& map, const ConfigV1ki::ComponentUID& key, nVLAPALS100::tStatus& status);
  static void destroyCurves(CurvesMap& map);

  iSettlingControl* control0_;
  iSettlingControl* control1_;
  SettlingGate gate_;
  SettingsMap firstSettings_;
  SettingsMap secondSettings_;
  MemoryManagedITLMap<ConfigV1ki::ComponentUID, SettlingDataProperties> properties_;
  CurvesMap risingCurves_;
  CurvesMap fallingCurves_;
};

}  // namespace cbak

#endif
