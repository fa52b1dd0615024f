// The generation engine's DSP data path over its register map.
#ifndef VL9738K_TIMING_DATAPATH_GENDATAPATHCONTROL_H
#define VL9738K_TIMING_DATAPATH_GENDATAPATHCONTROL_H

#include <stdint.h>

#include "AcqGenSharedControl.h"
#include "DataPathControlInterface.h"
#include "DeviceActivityAccess.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/snooping/AutoReservationStatusRegisterCheck.h"
#include "driver/listmode/snooping/PollerWithRedirection.h"
#include "driver/regmaps/timing/tQRTGenerationRegisters.h"

namespace qrtifwprim {

class GenDataPathControl final : public datapathki::DataPathGenControlInterface, public DeviceActivityOwner {
 public:
  using tMap = nQRTGenerationRegisters::tQRTGenerationRegisters;
  using tManager = DeviceActivityAccess::tManager;
  static constexpr uint16_t kFineStepsPerCoarseStep = 8;

  // `target` is the binding beneath the map, whose wait for completed
  // writes the posted pulses switch off; null leaves it alone. Only
  // instances 0 and 1 have a name (-52003 for any other).
  GenDataPathControl(tMap* map, vlifw::InstructionTargetMXRM* target, uint32_t subsystem, uint8_t instance,
                     RegisterPoller::PollerStore* pollers, StatusRegisterCheck::StatusRegisterCheckPoolStore* pools,
                     tManager* manager, tStatus& status);
  ~GenDataPathControl() override {}

  void executeCommands(const uint32_t* commands, uint32_t count, tStatus& status) override;
  void checkStatus(datapathki::DataPathStatus& out, tStatus& status) override;
  void clearDSPStatus(bool first, bool, bool, tStatus& status) override;
  bool isIdle(tStatus& status) override;
  tNumber readDSPGroupDelay(tStatus& status) override { return shared_.readDSPGroupDelay(status); }
  uint32_t readDSPPipelineDelay(tStatus& status) override;
  void getDynamicDelayRange(int32_t& minimum, int32_t& maximum, tStatus& status) override;
  void programDynamicDelay(int32_t value, tStatus& status) override;
  void programDSPBypass(bool value, tStatus& status) override;
  void getDSPGroupDelayFxpConfig(tConfig& out, tStatus& status) override;
  void programAnalogFrontEndDelay(const tNumber& delay, tStatus& status) override {
    shared_.programAnalogFrontEndDelay(delay, status);
  }
  tNumber readFixedDelay0(tStatus& status) override;
  tNumber readFixedDelay1(tStatus& status) override;
  void unsupportedOperation(tStatus& status) override;
  void markDirty(tStatus& status) override;

  void programEqBypass(bool value, tStatus& status) override;
  void getMarkerOffsetFxpConfig(tConfig& out, tStatus& status) override;
  void programMarkerOffset(const tNumber& offset, tStatus& status) override;
  void getPostRouteEventDelayFxpConfig(tConfig& out, tStatus& status) override;
  void programPostRouteEventDelay(const tNumber& delay, tStatus& status) override;
  void forceIdleVectorIntoSignalPath(tStatus& status) override;
  void programTxBufferPathDelay(uint64_t delay, tStatus& status) override;

  const DeviceActivityAccess& getDeviceActivity() const { return activity_; }

 private:
  void runCommand(uint32_t command, tStatus& status);
  int32_t maximumDynamicDelay() const;

  tMap* map_;
  vlifw::InstructionTargetMXRM* target_;
  uint32_t subsystem_;
  RegisterPoller::PollerStore* pollers_;
  StatusRegisterCheck::AutoReservationStatusRegisterCheck check_;
  // The dynamic delay command 6 zeroes until command 7 puts it back.
  bool delaySaved_ = false;
  uint64_t savedDelay_ = 0;
  AcqGenSharedControl<tMap> shared_;
  tConfig groupDelayConfig_{0, 64, 32};
  tConfig markerOffsetConfig_{1, 32, 16};
  tConfig postRouteEventDelayConfig_{0, 32, 16};
  tConfig fixedDelayConfig_{0, 16, 8};
  uint16_t maximumCoarseStep_ = 0;
  uint16_t fineStepsPerCoarseStep_ = kFineStepsPerCoarseStep;
  DeviceActivityAccess activity_;
};

}  // namespace qrtifwprim

#endif
