#include "PowerPrimitive.h"

#include "RegisterSteps.h"
#include "driver/rf/primitives/CommittablePrimitive.h"
#include "driver/rf/reservation/ZeroedSettings.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
using steps::setBits;

constexpr uint32_t kAttenuatorMask = 0x7F;

}  // namespace

// Committed under its sharing policy by the commit helper.
static_assert(CommittablePrimitive<PowerPrimitive, vl9738settings::PowerSettings>);

PowerPrimitive::PowerPrimitive(BoardCtrlMap* attenuator, DacMap* dac, cbak::SettlingTimerHandler* settling)
    : attenuator_(attenuator),
      dac_(dac),
      settling_(settling),
      default_(),
      requested_(default_),
      deployed_(rfyulreserve_impl::zeroedSettings<Settings>()),
      resync_(0) {}

void PowerPrimitive::setRequested(const Settings& settings, tStatus& status) {
  if (status.isNotFatal()) requested_ = settings;
}

template <typename tRegister>
void PowerPrimitive::refreshWhenStale(tRegister& reg, tStatus& status) {
  if (reg.isDirty() || resync_ != 0) reg.refresh(status);
}

void PowerPrimitive::applyPowerReductions(tStatus& status) {
  if (status.isFatal()) return;
  auto& attenuator = attenuator_->Attenuator;
  refreshWhenStale(attenuator, status);
  // The field holds 7 bits and a commit writes the low 7 bits of the
  // request, so the comparison is made on what would be written: a request
  // of 128 over 100 would otherwise write 0, the least attenuation.
  const uint32_t requested = requested_.attenuator_FxP & kAttenuatorMask;
  bool attenuatorChanged = false;
  if (requested > (attenuator.getValue() & kAttenuatorMask)) {
    attenuatorChanged = setBits(attenuator, 6, 0, requested, status) || attenuator.isDirty();
    attenuator.flush(status, false);
  }
  DacMap& dac = *dac_;
  refreshWhenStale(dac.TestDCData1, status);
  refreshWhenStale(dac.TestDCData0, status);
  const uint16_t current =
      static_cast<uint16_t>(((dac.TestDCData1.getValue() & 0xFFu) << 8) | (dac.TestDCData0.getValue() & 0xFFu));
  if (current > requested_.ncoAmplitude) {
    setBits(dac.TestDCData1, 7, 0, requested_.ncoAmplitude >> 8, status);
    dac.TestDCData1.flush(status, false);
    setBits(dac.TestDCData0, 7, 0, requested_.ncoAmplitude & 0xFFu, status);
    dac.TestDCData0.flush(status, false);
  }
  programSettling(attenuatorChanged, status);
}

void PowerPrimitive::commit(tStatus& status) {
  if (status.isFatal()) return;
  const bool force = resync_ != 0;
  auto& attenuator = attenuator_->Attenuator;
  const bool attenuatorChanged =
      setBits(attenuator, 6, 0, requested_.attenuator_FxP & kAttenuatorMask, status) || attenuator.isDirty();
  attenuator.flush(status, force);
  DacMap& dac = *dac_;
  setBits(dac.TestDCData1, 7, 0, requested_.ncoAmplitude >> 8, status);
  dac.TestDCData1.flush(status, force);
  setBits(dac.TestDCData0, 7, 0, requested_.ncoAmplitude & 0xFFu, status);
  dac.TestDCData0.flush(status, force);
  programSettling(attenuatorChanged, status);
  if (status.isNotFatal()) resync_ = 0;
}

void PowerPrimitive::programSettling(bool attenuatorChanged, tStatus& status) {
  if (!attenuatorChanged || (requested_.settlingTime0 | requested_.settlingTime1) == 0) return;
  settling_->setTimers(requested_.settlingTime0, requested_.settlingTime1, status);
}

void PowerPrimitive::applyDefaults(tStatus& status) {
  if (status.isNotFatal()) requested_ = default_;
  commit(status);
}

void PowerPrimitive::resetToDefaults(tStatus& status) {
  if (status.isFatal()) return;
  requested_ = default_;
  commit(status);
}

void PowerPrimitive::saveDeployedSettings(tStatus& status) {
  if (status.isNotFatal()) deployed_ = requested_;
}

void PowerPrimitive::restoreDeployedSettings(tStatus& status) {
  if (status.isNotFatal()) requested_ = deployed_;
}

// A started list writes the path's registers behind the shadows: a commit
// while it runs, or after it, must rewrite them.
void PowerPrimitive::onListInitiate(tStatus& status) {
  if (status.isNotFatal()) resync_ = 1;
}

void PowerPrimitive::onListAbort(tStatus& status) {
  if (status.isNotFatal()) resync_ = 1;
}

}  // namespace nVL9738K_24_0
