#include "ZelkGenerator.h"

#include "driver/platform/memory/Memory.h"
#include "driver/platform/poller/Poller.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/timing/ShadowedRegisterWrites.h"

namespace qrtifwprim {

namespace {

using nVLAPAL000::kAllocationKindPlain;
constexpr uint32_t kWindowSize = 0xFFFFFFFF;
constexpr int32_t kNoLimit = -1;

}  // namespace

ZelkGenerator::ZelkGenerator(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                             tStatus& status) {
  target_ = new (status, kAllocationKindPlain) vlifw::InstructionTargetMXRM(target, context, true);
  if (target_ == nullptr) return;
  registers_ = new (status, kAllocationKindPlain) tMap(target_, 0, 0, kWindowSize);
}

ZelkGenerator::~ZelkGenerator() {
  delete registers_;
  delete target_;
}

bool ZelkGenerator::usable(tStatus& status) const {
  if (status.isFatal()) return false;
  if (registers_ != nullptr) return true;
  status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  return false;
}

void ZelkGenerator::setSettings(uint32_t high, uint32_t low, tStatus& status) {
  if (!usable(status)) return;
  registers_->GeneratorSettings.setSettingsHigh(high, status).setSettingsLow(low, status).flush(status, false);
}

void ZelkGenerator::setEnable(bool enable, tStatus& status) {
  if (!usable(status)) return;
  registers_->GeneratorEnable.writeEnable(enable, status, false);
}

// The strobe bits act when written as 1; the block does not hold them, so
// the shadow returns to 0 and the next strobe writes again.
void ZelkGenerator::strobe(tStatus& status) {
  if (!usable(status)) return;
  tMap::tGeneratorStrobe& reg = registers_->GeneratorStrobe;
  reg.setStrobe(true, status).flush(status, false);
  reg.shadow = 0;
}

void ZelkGenerator::synchronise(uint32_t value, int32_t timeoutMs, tStatus& status) {
  if (!usable(status)) return;
  if (timeoutMs < kNoLimit) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  if (value == 0) return;
  registers_->CoarseZelkAdjustValue.setAdjust(value, status).flush(status, false);
  tMap::tCoarseZelkAdjustStart& start = registers_->CoarseZelkAdjustStart;
  start.setStart(true, status).flush(status, false);
  start.shadow = 0;
  if (status.isFatal()) return;
  // Milliseconds to microseconds in 64 bits: a 32-bit product overflows
  // past about 35 minutes.
  const uint64_t timeoutUs = timeoutMs == kNoLimit ? 0 : static_cast<uint64_t>(timeoutMs) * 1000u;
  const atut::SpinningPoller poller(0, 0);
  poller.poll(registers_->CoarseZelkAdjustDone, &tMap::tCoarseZelkAdjustDone::readCoarseZelkAdjustDone, 1u, 1u,
              timeoutUs, timeoutMs != kNoLimit, atut::SpinningPoller::kConditionBit0Set, status);
}

void ZelkGenerator::getSettings(uint32_t& high, uint32_t& low) const {
  high = registers_ == nullptr ? 0 : registers_->GeneratorSettings.getSettingsHigh();
  low = registers_ == nullptr ? 0 : registers_->GeneratorSettings.getSettingsLow();
}

}  // namespace qrtifwprim
