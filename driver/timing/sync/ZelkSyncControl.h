// A session on one engine's trigger-clock synchronisation: configures and
// starts the generator, fires sync pulses, sets up trigger synchronisation,
// adjusts the trigger clock and runs timing measurements. It borrows the
// engine's primitives; the engine's resources outlive it.
#ifndef VL9738K_TIMING_SYNC_ZELKSYNCCONTROL_H
#define VL9738K_TIMING_SYNC_ZELKSYNCCONTROL_H

#include <stdint.h>

#include "SyncPulseGenerator.h"
#include "TriggerSynchronizationControl.h"
#include "ZelkAdjuster.h"
#include "ZelkGenerator.h"
#include "driver/timing/ftdc/CommandControl.h"

namespace qrtifwprim {

class ZelkSyncControl {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // `measurement` may be null: the engine has no timing-measurement block.
  ZelkSyncControl(ZelkGenerator& generator, SyncPulseGenerator& syncPulse,
                  TriggerSynchronizationControlInterface& triggerSync, vlftdc::CommandControl* measurement,
                  ZelkAdjusterInterface& adjuster)
      : generator_(generator),
        syncPulse_(syncPulse),
        triggerSync_(triggerSync),
        measurement_(measurement),
        adjuster_(adjuster) {}
  virtual ~ZelkSyncControl() {}
  ZelkSyncControl(const ZelkSyncControl&) = delete;
  ZelkSyncControl& operator=(const ZelkSyncControl&) = delete;

  // Restarts the generator with the settings, unless it already runs with
  // them.
  virtual void configureGenerator(uint32_t high, uint32_t low, tStatus& status);
  virtual void configureTriggerSynchronization(uint32_t instance, const zelksync_TriggerConfiguration& configuration,
                                               tStatus& status);
  virtual void pulseMeasurementCommands(tStatus& status);
  virtual void pulseMeasurementRegister0(tStatus& status);
  virtual void fireSyncPulse(tStatus& status);
  virtual void waitForMeasurement(int32_t timeoutMs, vlfxptype::Number& first, vlfxptype::Number& second,
                                  uint64_t& third, tStatus& status);
  virtual void synchronizeGenerator(uint32_t value, int32_t timeoutMs, tStatus& status);
  virtual void applyMediumAdjustment(uint32_t value, tStatus& status);
  virtual void getMeasurementResults(vlftdc::tTraits* record, tStatus& status);
  virtual int32_t getState(tStatus& status) { return status.isFatal() ? 4 : 0; }
  virtual void reserved12(tStatus& status) { notSupported(status); }
  virtual void reserved13(tStatus& status) { notSupported(status); }
  virtual void reserved14(tStatus& status) { notSupported(status); }
  virtual void reserved15(tStatus& status) { notSupported(status); }

 private:
  static void notSupported(tStatus& status);
  // Null, and -52010, without a timing-measurement block.
  vlftdc::CommandControl* measurement(tStatus& status);

  ZelkGenerator& generator_;
  SyncPulseGenerator& syncPulse_;
  TriggerSynchronizationControlInterface& triggerSync_;
  vlftdc::CommandControl* measurement_;
  ZelkAdjusterInterface& adjuster_;
  uint8_t configured_ = 0;
};

}  // namespace qrtifwprim

#endif
