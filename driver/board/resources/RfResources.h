// The RF side of the board's resources: the primitives that program the
// reference clock, the cross switch, the two LO paths' frequency and power
// and read the temperature, over the maps of DeviceResources, and the six
// sharing policies through which sessions share those settings. Settings
// deployed by a client go into the policy of their resource; a commit
// later programs what the policy chose.
//
// Built only once every map it works on exists; it owns the primitives and
// the policies, not the maps, the settling-timer handlers (the device's) or
// the list-mode read resources.
#ifndef VL9738K_BOARD_RESOURCES_RFRESOURCES_H
#define VL9738K_BOARD_RESOURCES_RFRESOURCES_H

#include <stdint.h>

#include "CompositeMaps.h"
#include "driver/board/maps/t9738Board.h"
#include "driver/listmode/snooping/WaitWithRedirection.h"
#include "driver/rf/policies/RecordedPathPolicies.h"
#include "driver/rf/policies/ReservationTokenSet.h"
#include "driver/rf/primitives/CrossSwitchPrimitive.h"
#include "driver/rf/primitives/TemperaturePrimitive.h"
#include "driver/rf/primitives/lo/FrequencyPrimitive.h"
#include "driver/rf/primitives/lo/PowerPrimitive.h"
#include "driver/rf/primitives/refclk/RefClockPrimitive.h"
#include "driver/rf/settling/SettlingTimerHandler.h"

namespace nVL9738K_24_0 {

class ListModeRegisterReadResources;

class RfResources {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tClientID = rfyulreserve::ReservationClientID;

  static constexpr uint32_t kLoPaths = 2;

  // `registrar` may be null: the policies then stay unregistered. Without
  // list-mode read resources the LO waits spin on a wait of this object's.
  RfResources(n9738Board::t9738Board& board, CompositeMaps& composites, iPolicyRegistrar* registrar,
              cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
              ListModeRegisterReadResources* readResources, tStatus& status);
  RfResources(const RfResources&) = delete;
  RfResources& operator=(const RfResources&) = delete;

  // Reads the deploy message and hands each record to its resource's
  // policy on behalf of `client`; the walk ends at the first error.
  void reserveAndCommit(const uint8_t* message, uint64_t size, tClientID client, tStatus& status);
  // Commits the current frequency preset to LO0; the next request takes the
  // next preset only when this one went through.
  void cycleFrequency(tStatus& status);
  // A list run on the engine of path `lo` started or ended: it wrote the
  // recorded registers of `groups` (RecordedRegisterGroups.h) behind the
  // shadows, and the path's own frequency and power in any case. Every
  // policy of those registers goes stale and every primitive that skips
  // writes it believes done rewrites them at its next commit. Their
  // run-may-overwrite bits are set with `runSet`, then cleared with
  // `runClear`: while set, no commit makes the policy current.
  void onListRun(uint32_t lo, uint32_t groups, uint8_t runSet = 0, uint8_t runClear = 0);
  // A power-up puts every setting back to its default behind the policies,
  // which outlive it across an FPGA download: none is current any more.
  void onPowerUp();

  RefClockPrimitive& refClock() { return refClock_; }
  CrossSwitchPrimitive& crossSwitch() { return crossSwitch_; }
  FrequencyPrimitive& frequency(uint32_t lo) { return lo == 0 ? lo0Frequency_ : lo1Frequency_; }
  PowerPrimitive& power(uint32_t lo) { return lo == 0 ? lo0Power_ : lo1Power_; }
  TemperaturePrimitive& temperature() { return temperature_; }
  ReservationTokenSet& tokens() { return tokens_; }
  RecordedPathPolicies& recordedPolicies(uint32_t lo) { return recordedPolicies_[lo == 0 ? 0 : 1]; }
  cbak::SettlingTimerHandler* settlingHandler(uint32_t lo) const { return settling_[lo == 0 ? 0 : 1]; }

 private:
  void seedCoercedSettings();

  cbak::SettlingTimerHandler* settling_[kLoPaths];
  // Stands in for the list-mode wait while there is none.
  WaitWithRedirection ownWait_;
  RefClockPrimitive refClock_;
  CrossSwitchPrimitive crossSwitch_;
  FrequencyPrimitive lo0Frequency_;
  FrequencyPrimitive lo1Frequency_;
  PowerPrimitive lo0Power_;
  PowerPrimitive lo1Power_;
  TemperaturePrimitive temperature_;
  ReservationTokenSet tokens_;
  RecordedPathPolicies recordedPolicies_[kLoPaths] = {{tokens_.frequencyPolicy(0), tokens_.powerPolicy(0)},
                                                      {tokens_.frequencyPolicy(1), tokens_.powerPolicy(1)}};
};

}  // namespace nVL9738K_24_0

#endif
