#include "ZelkSyncControl.h"

#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

void ZelkSyncControl::notSupported(tStatus& status) {
  if (status.isFatal()) return;
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}

vlftdc::CommandControl* ZelkSyncControl::measurement(tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (measurement_ == nullptr) status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  return measurement_;
}

// The generator must be stopped and strobed before new settings take; a
// generator already running with the same settings is left alone.
void ZelkSyncControl::configureGenerator(uint32_t high, uint32_t low, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t currentHigh = 0;
  uint32_t currentLow = 0;
  generator_.getSettings(currentHigh, currentLow);
  if (configured_ != 0 && currentHigh == high && currentLow == low) return;
  generator_.setEnable(false, status);
  generator_.strobe(status);
  generator_.setSettings(high, low, status);
  generator_.setEnable(true, status);
  configured_ = status.isNotFatal();
}

void ZelkSyncControl::configureTriggerSynchronization(uint32_t instance,
                                                      const zelksync_TriggerConfiguration& configuration,
                                                      tStatus& status) {
  triggerSync_.configureTriggerSynchronization(instance, configuration, status);
}

void ZelkSyncControl::pulseMeasurementCommands(tStatus& status) {
  vlftdc::CommandControl* control = measurement(status);
  if (control == nullptr) return;
  control->pulseRegister1(status);
  control->pulseRegister0(status);
}

void ZelkSyncControl::pulseMeasurementRegister0(tStatus& status) {
  if (vlftdc::CommandControl* control = measurement(status)) control->pulseRegister0Again(status);
}

void ZelkSyncControl::fireSyncPulse(tStatus& status) { syncPulse_.fireSyncPulse(status); }

void ZelkSyncControl::waitForMeasurement(int32_t timeoutMs, vlfxptype::Number& first, vlfxptype::Number& second,
                                         uint64_t& third, tStatus& status) {
  vlftdc::CommandControl* control = measurement(status);
  if (control == nullptr) return;
  control->waitForMeasurementDone(timeoutMs, first, second, third, status);
  control->pulseRegister0(status);
}

void ZelkSyncControl::synchronizeGenerator(uint32_t value, int32_t timeoutMs, tStatus& status) {
  generator_.synchronise(value, timeoutMs, status);
}

void ZelkSyncControl::applyMediumAdjustment(uint32_t value, tStatus& status) {
  adjuster_.applyMediumAdjustment(value, status);
}

void ZelkSyncControl::getMeasurementResults(vlftdc::tTraits* record, tStatus& status) {
  if (vlftdc::CommandControl* control = measurement(status)) control->getResults(record, status);
}

}  // namespace qrtifwprim
