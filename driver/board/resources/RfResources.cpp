#include "RfResources.h"

#include "driver/listmode/snooping/ListModeRegisterReadResources.h"
#include "driver/listmode/snooping/RecordedRegisterGroups.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/rf/wire/ResourceIds.h"
#include "driver/rf/wire/SettingsBlob.h"

namespace nVL9738K_24_0 {

using namespace vl9738settings;

namespace {

// Which preset the next frequency-cycling request applies; one for the
// whole module, starting at the first preset whenever the module loads.
// Devices cycle under locks of their own, so the cursor moves only by
// compare-exchange from the value a request loaded.
uint32_t gNextFrequencyPreset = 0;

// The policies of one client's deploy, by resource id.
class ClientDeployTarget final : public iSettingsDeployTarget {
 public:
  ClientDeployTarget(ReservationTokenSet& tokens, rfyulreserve::ReservationClientID client)
      : tokens_(tokens), client_(client) {}

  void deploySettings(uint32_t, const RefClockSettings& settings, nVLAPALS100::tStatus& status) override {
    tokens_.refClockPolicy().deploySettings(client_, settings, status);
  }
  void deploySettings(uint32_t, const CrossSwitchSettings& settings, nVLAPALS100::tStatus& status) override {
    tokens_.crossSwitchPolicy().deploySettings(client_, settings, status);
  }
  void deploySettings(uint32_t id, const FrequencySettings& settings, nVLAPALS100::tStatus& status) override {
    tokens_.frequencyPolicy(id == kResourceLo0Frequency ? 0 : 1).deploySettings(client_, settings, status);
  }
  void deploySettings(uint32_t id, const PowerSettings& settings, nVLAPALS100::tStatus& status) override {
    tokens_.powerPolicy(id == kResourceLo0Power ? 0 : 1).deploySettings(client_, settings, status);
  }

 private:
  ReservationTokenSet& tokens_;
  rfyulreserve::ReservationClientID client_;
};

WaitWithRedirection* waitOf(ListModeRegisterReadResources* readResources, WaitWithRedirection& fallback) {
  return readResources != nullptr ? readResources->getWaitWithRedirection() : &fallback;
}

}  // namespace

RfResources::RfResources(n9738Board::t9738Board& board, CompositeMaps& composites, iPolicyRegistrar* registrar,
                         cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
                         ListModeRegisterReadResources* readResources, tStatus& status)
    : settling_{lo0Settling, lo1Settling},
      refClock_(*board.getRefCpld(), board.getHostRegMap()->BoardControl, *composites.getClockBufferMap(),
                readResources, status),
      // The cross switch sits on the LO1 card and settles with that path.
      crossSwitch_(composites.getLo1Cpld()->CxSwCtrlRegMap, lo1Settling),
      lo0Frequency_(&board.getRefCpld()->Lo0RefClkToLoRegMap, &composites.getLo0Cpld()->Ad9162RegMap,
                    &composites.getLo0Cpld()->BoardCtrlRegMap, lo0Settling, waitOf(readResources, ownWait_)),
      lo1Frequency_(&board.getRefCpld()->Lo1RefClkToLoRegMap, &composites.getLo1Cpld()->Ad9162RegMap,
                    &composites.getLo1Cpld()->BoardCtrlRegMap, lo1Settling, waitOf(readResources, ownWait_)),
      lo0Power_(&composites.getLo0Cpld()->BoardCtrlRegMap, &composites.getLo0Cpld()->Ad9162RegMap, lo0Settling),
      lo1Power_(&composites.getLo1Cpld()->BoardCtrlRegMap, &composites.getLo1Cpld()->Ad9162RegMap, lo1Settling),
      temperature_(composites.getLo0Cpld()->TemperatureRegMap) {
  seedCoercedSettings();
  if (registrar != nullptr) tokens_.registerPolicies(*registrar, status);
}

// A commit needs no reservation: before any client has deployed, a policy
// must choose what power-up programs, not an all-zero record that would
// stop the reference PLL and silence both LOs.
void RfResources::seedCoercedSettings() {
  tokens_.refClockPolicy().setCoercedSettings(refClock_.getDefaultSettings());
  tokens_.crossSwitchPolicy().setCoercedSettings(crossSwitch_.getDefaultSettings());
  for (uint32_t lo = 0; lo < kLoPaths; ++lo) {
    tokens_.frequencyPolicy(lo).setCoercedSettings(frequency(lo).getDefault());
    tokens_.powerPolicy(lo).setCoercedSettings(power(lo).getDefault());
  }
}

void RfResources::reserveAndCommit(const uint8_t* message, uint64_t size, tClientID client, tStatus& status) {
  if (status.isFatal()) return;
  ClientDeployTarget target(tokens_, client);
  deploySettingsBlob(message, size, target, status);
}

void RfResources::cycleFrequency(tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t preset = nVLAPAL000::atomicLoad(gNextFrequencyPreset);
  // The preset moves LO0 behind its policy's back: what the policy last
  // committed no longer describes the hardware.
  tokens_.frequencyPolicy(0).committedSettingsStale = 1;
  lo0Frequency_.setRequested(frequencyPreset(preset), status);
  lo0Frequency_.commit(status);
  if (status.isFatal()) return;
  // Another device that cycled meanwhile already moved the cursor on.
  const uint32_t next = (preset + 1) % kFrequencyPresetCount;
  nVLAPAL000::atomicCompareExchange(gNextFrequencyPreset, preset, next);
}

void RfResources::onPowerUp() {
  tokens_.refClockPolicy().committedSettingsStale = 1;
  tokens_.crossSwitchPolicy().committedSettingsStale = 1;
  for (uint32_t lo = 0; lo < kLoPaths; ++lo) {
    tokens_.frequencyPolicy(lo).committedSettingsStale = 1;
    tokens_.powerPolicy(lo).committedSettingsStale = 1;
  }
}

void RfResources::onListRun(uint32_t lo, uint32_t groups, uint8_t runSet, uint8_t runClear) {
  const uint32_t path = lo == 0 ? 0 : 1;
  auto mark = [runSet, runClear](auto& policy) {
    policy.committedSettingsStale = 1;
    policy.listRunMayOverwrite = static_cast<uint8_t>((policy.listRunMayOverwrite | runSet) & ~runClear);
  };
  mark(tokens_.frequencyPolicy(path));
  mark(tokens_.powerPolicy(path));
  frequency(path).requireResync();
  power(path).requireResync();
  // The reference primitive keeps no copy besides the shadows, which the
  // run's registers left dirty.
  if ((groups & SnoopingManager::kRecordedReference) != 0) mark(tokens_.refClockPolicy());
  constexpr uint32_t kSelects[kLoPaths] = {SnoopingManager::kRecordedLo0Select, SnoopingManager::kRecordedLo1Select};
  for (uint32_t other = 0; other < kLoPaths; ++other) {
    if ((groups & kSelects[other]) == 0) continue;
    mark(tokens_.frequencyPolicy(other));
    frequency(other).requireResync();
  }
}

}  // namespace nVL9738K_24_0
