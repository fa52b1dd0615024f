// The acquisition engine's DSP data path over its register map: its
// trigger delays and offsets, timestamp settings and three DSP status
// bits.
#ifndef VL9738K_TIMING_DATAPATH_ACQDATAPATHCONTROL_H
#define VL9738K_TIMING_DATAPATH_ACQDATAPATHCONTROL_H

#include <stdint.h>

#include "AcqGenSharedControl.h"
#include "DataPathControlInterface.h"
#include "DeviceActivityAccess.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/snooping/AutoReservationStatusRegisterCheck.h"
#include "driver/listmode/snooping/PollerWithRedirection.h"
#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"

namespace qrtifwprim {

class AcqDataPathControl final : public datapathki::DataPathAcqControlInterface, public DeviceActivityOwner {
 public:
  using tMap = nQRTAcquisitionRegisters::tQRTAcquisitionRegisters;
  using tManager = DeviceActivityAccess::tManager;
  static constexpr uint16_t kFineStepsPerCoarseStep = 8;
  static constexpr uint32_t kStatusBits = 3;

  // As the generation control; `version` is the block's.
  AcqDataPathControl(tMap* map, vlifw::InstructionTargetMXRM* target, uint32_t subsystem, uint8_t instance,
                     uint16_t version, RegisterPoller::PollerStore* pollers,
                     StatusRegisterCheck::StatusRegisterCheckPoolStore* pools, tManager* manager, tStatus& status);
  ~AcqDataPathControl() override {}

  void executeCommands(const uint32_t* commands, uint32_t count, tStatus& status) override;
  void checkStatus(datapathki::DataPathStatus& out, tStatus& status) override;
  void clearDSPStatus(bool first, bool second, bool third, tStatus& status) override;
  bool isIdle(tStatus& status) override;
  tNumber readDSPGroupDelay(tStatus& status) override { return shared_.readDSPGroupDelay(status); }
  uint32_t readDSPPipelineDelay(tStatus& status) override { return shared_.readDSPPipelineDelay(status); }
  void getDynamicDelayRange(int32_t&, int32_t&, tStatus& status) override { unsupported(status); }
  void programDynamicDelay(int32_t, tStatus& status) override { unsupported(status); }
  void programDSPBypass(bool value, tStatus& status) override;
  void getDSPGroupDelayFxpConfig(tConfig& out, tStatus& status) override;
  void programAnalogFrontEndDelay(const tNumber& delay, tStatus& status) override {
    shared_.programAnalogFrontEndDelay(delay, status);
  }
  tNumber readFixedDelay0(tStatus& status) override;
  tNumber readFixedDelay1(tStatus& status) override;
  void unsupportedOperation(tStatus& status) override { unsupported(status); }
  void markDirty(tStatus& status) override { shared_.markDirty(status); }

  void getPreRouteTriggerDelayFxpConfig(tConfig& out, tStatus& status) override;
  void getTriggerOffsetFxpConfig(tConfig& out, tStatus& status) override;
  void getTimestampTraits(uint32_t& precisionClass, tConfig& out, tStatus& status) override;
  tNumber getPostRouteToTimestampDelay(tStatus& status) override;
  void programPreRouteTriggerDelay(const tNumber& delay, tStatus& status) override;
  void programStartTriggerOffset(const tNumber& offset, tStatus& status) override;
  void programReferenceTriggerOffset(const tNumber& offset, tStatus& status) override;
  void programAdvanceTriggerOffset(const tNumber& offset, tStatus& status) override;
  void programAsyncReferenceTimestampOffset(const tNumber& offset, tStatus& status) override;
  void programTimestampPrecision(uint32_t precision, tStatus& status) override;
  void programReportAyncReferenceTimestamp(bool value, tStatus& status) override;
  void programRxBufferPathDelay(uint64_t delay, tStatus& status) override;

  const DeviceActivityAccess& getDeviceActivity() const { return activity_; }
  uint16_t getVersion() const { return version_; }

 private:
  void runCommand(uint32_t command, tStatus& status);
  static void unsupported(tStatus& status);
  template <typename tRegister>
  void programChecked(tRegister& reg, const tNumber& number, const tConfig& config, tStatus& status);

  tMap* map_;
  vlifw::InstructionTargetMXRM* target_;
  uint32_t subsystem_;
  uint16_t version_;
  RegisterPoller::PollerStore* pollers_;
  StatusRegisterCheck::AutoReservationStatusRegisterCheck checks_[kStatusBits];
  AcqGenSharedControl<tMap> shared_;
  tConfig groupDelayConfig_{0, 64, 32};
  tConfig preRouteTriggerDelayConfig_{0, 32, 16};
  tConfig triggerOffsetConfig_{1, 32, 16};
  tConfig fixedDelayConfig_{0, 16, 8};
  tConfig timestampConfig_{0, 64, 0};
  tConfig postRouteToTimestampConfig_{0, 16, 8};
  uint32_t timestampPrecision_ = 0;
  uint16_t maximumCoarseStep_ = 0;
  uint16_t fineStepsPerCoarseStep_ = kFineStepsPerCoarseStep;
  DeviceActivityAccess activity_;
};

}  // namespace qrtifwprim

#endif
