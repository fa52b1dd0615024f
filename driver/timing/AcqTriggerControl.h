// The acquisition engine's triggers: five trigger inputs (ids -1 to -5),
// software triggers, the shortest pulses of the exported events (some in
// the shared block, when the control has one), holdoffs, the reference
// trigger's delay, trigger enables and the holdoff counters of engines from
// version 3 on. Markers and RF blanking belong to the generation engine.
// The constructor enables trigger -1 only and, with a shared block, sets
// its low word of register 20.
#ifndef VL9738K_TIMING_ACQTRIGGERCONTROL_H
#define VL9738K_TIMING_ACQTRIGGERCONTROL_H

#include "TriggerControlInterface.h"
#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"
#include "driver/regmaps/timing/tQRTSharedRegisters.h"

namespace qrtifwprim {

class AcqTriggerControl final : public trigki::TriggerControlInterface {
 public:
  using tMap = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters;
  using tSharedMap = nQRTSharedRegisters::tQRTSharedRegisters;
  using tStatus = nVLAPALS100::tStatus;

  // Owns neither map; `shared` may be null.
  AcqTriggerControl(tMap* map, tSharedMap* shared, uint16_t engineVersion, tStatus& status);
  ~AcqTriggerControl() override {}

  void configureTrigger(int32_t triggerId, const trigki::TriggerConfiguration& configuration, tStatus& status) override;
  void getPulseWidthConfiguration(vlfxptype::Configuration& out, tStatus& status) override;
  void setMinExportPulseWidth(int32_t id, const vlfxptype::Number& width, tStatus& status) override;
  void setMarkerOutputBehavior(int32_t markerId, const trigki::MarkerOutputBehavior& behavior,
                               tStatus& status) override;
  void setOptionBit(bool value, tStatus& status) override;
  void setRFBlankingMarkerMask(uint8_t mask, tStatus& status) override;
  void getRFBlankingMarkerOffset0Configuration(vlfxptype::Configuration& out, tStatus& status) override;
  void setRFBlankingMarkerOffset0(const uint32_t& offset, tStatus& status) override;
  void getRFBlankingMarkerOffset1Configuration(vlfxptype::Configuration& out, tStatus& status) override;
  void setRFBlankingMarkerOffset1(const uint64_t& offset, tStatus& status) override;
  void setRFBlankingDelay(uint16_t delay, tStatus& status) override;
  void setTriggerDelay(int32_t triggerId, uint64_t delay, tStatus& status) override;
  void setTriggerHoldoffs(uint64_t startToRef, uint64_t refToRef, tStatus& status) override;
  void getHoldoffCounterSupport(uint32_t& out, tStatus& status) override;
  void setTriggerHoldoffSettings(const trigki::TriggerHoldoffSettings& settings, tStatus& status) override;
  void setTriggerEnabled(int32_t triggerId, bool enabled, tStatus& status) override;
  void setTriggerFlag(int32_t triggerId, bool value, tStatus& status) override;
  void sendSoftwareTrigger(int32_t triggerId, tStatus& status) override;
  void markRegistersDirty(tStatus& status) override;

 private:
  // The trigger-control register of trigger `triggerId`, null for none.
  tMap::tAcqTriggerControlRegType* triggerRegister(int32_t triggerId) const;
  static void refuse(tStatus& status, uint64_t line);

  tMap* map_;
  tSharedMap* shared_;
  vlfxptype::Configuration pulseWidthConfiguration_;
  uint16_t engineVersion_;
};

}  // namespace qrtifwprim

#endif
