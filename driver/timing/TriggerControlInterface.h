// Trigger and event plumbing of one FPGA engine: how each trigger input is
// detected, how wide each exported pulse is, software triggers, marker
// outputs, RF blanking, holdoffs and delays. Trigger ids are positive on the
// generation engine and negative on the acquisition engine; an engine
// answers the operations it does not have with an invalid-parameter code.
//
// Every implementation changes only the fields it owns in a register's
// shadow and writes the whole register when the shadow changed or was
// already dirty, so repeating a setting costs no bus traffic.
#ifndef VL9738K_TIMING_TRIGGERCONTROLINTERFACE_H
#define VL9738K_TIMING_TRIGGERCONTROLINTERFACE_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/text/FixedPointNumber.h"

namespace trigki {

using nVLAPALS100::tStatus;

// Laid out as the callers build it.
struct TriggerConfiguration {
  uint32_t kind;
  uint32_t edge;   // 0 or 1
  uint32_t level;  // 0 or 1
  uint16_t minImportPulseDuration;
  uint32_t fullnessLevel;
};
static_assert(sizeof(TriggerConfiguration) == 20);

struct MarkerOutputBehavior {
  uint8_t behavior;
  uint32_t toggleInitialState;  // 0 or 1
};

struct TriggerHoldoffSettings {
  uint64_t startToRefHoldoff;
  uint8_t startToRefCounterMode;
  uint64_t refToRefHoldoff;
  uint8_t refToRefCounterMode;
};
static_assert(sizeof(TriggerHoldoffSettings) == 32);

class TriggerControlInterface {
 public:
  virtual ~TriggerControlInterface() {}

  virtual void configureTrigger(int32_t triggerId, const TriggerConfiguration& configuration, tStatus& status) = 0;
  virtual void getPulseWidthConfiguration(vlfxptype::Configuration& out, tStatus& status) = 0;
  virtual void setMinExportPulseWidth(int32_t id, const vlfxptype::Number& width, tStatus& status) = 0;
  virtual void setMarkerOutputBehavior(int32_t markerId, const MarkerOutputBehavior& behavior, tStatus& status) = 0;
  virtual void setOptionBit(bool value, tStatus& status) = 0;
  virtual void setRFBlankingMarkerMask(uint8_t mask, tStatus& status) = 0;
  virtual void getRFBlankingMarkerOffset0Configuration(vlfxptype::Configuration& out, tStatus& status) = 0;
  virtual void setRFBlankingMarkerOffset0(const uint32_t& offset, tStatus& status) = 0;
  virtual void getRFBlankingMarkerOffset1Configuration(vlfxptype::Configuration& out, tStatus& status) = 0;
  virtual void setRFBlankingMarkerOffset1(const uint64_t& offset, tStatus& status) = 0;
  virtual void setRFBlankingDelay(uint16_t delay, tStatus& status) = 0;
  virtual void setTriggerDelay(int32_t triggerId, uint64_t delay, tStatus& status) = 0;
  virtual void setTriggerHoldoffs(uint64_t startToRef, uint64_t refToRef, tStatus& status) = 0;
  virtual void getHoldoffCounterSupport(uint32_t& out, tStatus& status) = 0;
  virtual void setTriggerHoldoffSettings(const TriggerHoldoffSettings& settings, tStatus& status) = 0;
  virtual void setTriggerEnabled(int32_t triggerId, bool enabled, tStatus& status) = 0;
  virtual void setTriggerFlag(int32_t triggerId, bool value, tStatus& status) = 0;
  virtual void sendSoftwareTrigger(int32_t triggerId, tStatus& status) = 0;
  // Every register the control owns is written in full at its next change.
  virtual void markRegistersDirty(tStatus& status) = 0;
};

}  // namespace trigki

#endif
