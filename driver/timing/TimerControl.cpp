#include "TimerControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using nVLAPAL000::kAllocationKindPlain;
// The block's registers fill its whole window from address 0.
constexpr uint32_t kWindowSize = 0xFFFFFFFF;

}  // namespace

TimerControl::TimerControl(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, tStatus& status) {
  target_ = new (status, kAllocationKindPlain) vlifw::InstructionTargetMXRM(target, context, true);
  if (target_ == nullptr) return;
  registers_ = new (status, kAllocationKindPlain) tMap(target_, 0, 0, kWindowSize);
}

TimerControl::~TimerControl() {
  delete registers_;
  delete target_;
}

void TimerControl::setTimerSettings(const TimerSettings& settings) {
  firstTime_ = settings.firstTime;
  secondTime_ = settings.secondTime;
  armPair_ = settings.armPair;
  strobeOnStart_ = settings.strobeOnStart;
  optionBit_ = settings.optionBit;
}

// Each write goes out only when its register changed or is dirty; the
// command bits drop out of the shadow after each successful write, so a
// repeated command always writes again.
void TimerControl::executeTimerCommand(int32_t command, tStatus& status) {
  if (status.isFatal()) return;
  if (registers_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  tMap& map = *registers_;
  switch (command) {
    case kProgram:
      map.TimerOption.writeOption(optionBit_ != 0, status, false);
      map.FirstTime.writeTime(firstTime_.raw, status, false);
      map.SecondTime.writeTime(secondTime_.raw, status, false);
      if (strobeOnStart_ != 0) map.TimerCommand.writeCommand0(true, status, false);
      return;
    case kArmPair:
      if (armPair_ != 0) map.TimerCommand.setCommand0(true, status).writeCommand1(true, status, false);
      return;
    case kCommand2:
      map.TimerCommand.writeCommand2(true, status, false);
      return;
    default:
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
}

void TimerControl::markTimerRegistersDirty(tStatus& status) {
  if (status.isFatal()) return;
  if (registers_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  shadowed::markDirty(registers_->SecondTime, registers_->FirstTime);
}

}  // namespace qrtifwprim
