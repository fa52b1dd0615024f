// The RF primitives of the board over the maps of DeviceResources: the
// reference clock, the cross switch, the frequency and the power of both LO
// paths and the board temperature. LO0 writes its settling times through
// the generation engine's handler, LO1 and the cross switch through the
// acquisition engine's. The frequency primitives wait through the list-mode
// register-read resources, and the reference clock takes its two lock
// checks from them, so a recorded commit turns both into list instructions.
// Built only once every map exists, since each primitive holds its maps.
#ifndef VL9738K_BOARD_RESOURCES_RFPRIMITIVES_H
#define VL9738K_BOARD_RESOURCES_RFPRIMITIVES_H

#include "CompositeMaps.h"
#include "driver/listmode/snooping/CommitSnoopingAttachment.h"
#include "driver/rf/primitives/CrossSwitchPrimitive.h"
#include "driver/rf/primitives/TemperaturePrimitive.h"
#include "driver/rf/primitives/lo/FrequencyPrimitive.h"
#include "driver/rf/primitives/lo/PowerPrimitive.h"
#include "driver/rf/primitives/refclk/RefClockPrimitive.h"

namespace nVL9738K_24_0 {

class RfPrimitives final : public iLoPathListListeners {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // The LO handlers and the read resources are not owned and must outlive
  // the primitives (the reference clock gives its checks back to them).
  RfPrimitives(n9738Board::t9738Board& board, CompositeMaps& composites, cbak::SettlingTimerHandler* lo0Settling,
               cbak::SettlingTimerHandler* lo1Settling, ListModeRegisterReadResources* readResources, tStatus& status);
  RfPrimitives(const RfPrimitives&) = delete;
  RfPrimitives& operator=(const RfPrimitives&) = delete;

  RefClockPrimitive& getRefClock() { return refClock_; }
  CrossSwitchPrimitive& getCrossSwitch() { return crossSwitch_; }
  FrequencyPrimitive& getFrequency(unsigned lo) { return lo == 0 ? frequencyLo0_ : frequencyLo1_; }
  PowerPrimitive& getPower(unsigned lo) { return lo == 0 ? powerLo0_ : powerLo1_; }
  TemperaturePrimitive& getTemperature() { return temperature_; }

  // A recorded commit of the generation engine changes LO0, of the
  // acquisition engine LO1; the reference clock serves both.
  void addLo0ListListeners(listmodek::Session& session, tStatus& status) override;
  void addLo1ListListeners(listmodek::Session& session, tStatus& status) override;

 private:
  // Declared in construction order; destroyed power, frequency, cross
  // switch, reference clock.
  RefClockPrimitive refClock_;
  CrossSwitchPrimitive crossSwitch_;
  FrequencyPrimitive frequencyLo0_;
  FrequencyPrimitive frequencyLo1_;
  PowerPrimitive powerLo0_;
  PowerPrimitive powerLo1_;
  TemperaturePrimitive temperature_;
};

}  // namespace nVL9738K_24_0

#endif
