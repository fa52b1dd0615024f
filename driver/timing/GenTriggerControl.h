// The generation engine's triggers: seven trigger inputs, software
// triggers, the shortest pulses of the exported signals, four marker
// outputs and RF blanking. Trigger 1 doubles as the peer-to-peer fullness
// trigger. Holdoffs, delays, enables and flags belong to the acquisition
// engine only. Nothing is written at construction.
#ifndef VL9738K_TIMING_GENTRIGGERCONTROL_H
#define VL9738K_TIMING_GENTRIGGERCONTROL_H

#include "TriggerControlInterface.h"
#include "driver/regmaps/timing/tQRTGenerationRegisters.h"

namespace qrtifwprim {

class GenTriggerControl final : public trigki::TriggerControlInterface {
 public:
  using tMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tStatus = nVLAPALS100::tStatus;

  // Does not own the map.
  explicit GenTriggerControl(tMap* map);
  ~GenTriggerControl() override {}

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
  tMap::tTriggerControlRegType* triggerRegister(int32_t triggerId) const;
  // The fullness trigger: trigger 1 fires when the peer-to-peer endpoint
  // holds `level` samples.
  void configureFullnessTrigger(uint32_t level, tStatus& status);
  void setP2PFullnessTriggerBit(bool value, tStatus& status);
  static void refuse(tStatus& status, uint64_t line);

  tMap* map_;
  vlfxptype::Configuration offset0Configuration_;
  vlfxptype::Configuration offset1Configuration_;
  vlfxptype::Configuration pulseWidthConfiguration_;
};

}  // namespace qrtifwprim

#endif
