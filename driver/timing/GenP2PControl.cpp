#include "GenP2PControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/poller/Poller.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using tStatusRegister = GenP2PControl::tMap::tGenerationP2PStatusRegType;

constexpr uint64_t kCommandA = 1u << 2;
constexpr uint64_t kCommandB = 1u << 1;
constexpr uint64_t kCountCommand = 1u << 5;
constexpr uint64_t kLevelLimit = 0xFFFFFFFFu;
// Spin between reads of the FIFO flag.
constexpr uint64_t kPollIntervalUs = 10;

uint32_t low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t high(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

}  // namespace

void GenP2PControl::setP2PControlBit0(bool value, tStatus& status) {
  map_->GenerationP2PControlRegType.writeBit0(value, status, false);
}

void GenP2PControl::pulseP2PCommandA(tStatus& status) {
  shadowed::pulse(map_->GenerationP2PControlRegType, kCommandA, status);
  atut::SpinningPoller(kPollIntervalUs, kPollIntervalUs)
      .poll(map_->GenerationP2PStatusRegType, &tStatusRegister::readP2PfifoIsEmpty, 1, 1, kFifoDrainTimeoutUs, true,
            atut::SpinningPoller::kConditionBit0Set, status);
}

uint32_t GenP2PControl::readP2PCountA(tStatus& status) { return low(map_->Register100.readRegister(status)); }

void GenP2PControl::pulseP2PCommandB(tStatus& status) {
  shadowed::pulse(map_->GenerationP2PControlRegType, kCommandB, status);
}

uint32_t GenP2PControl::readP2PCountB(tStatus& status) { return low(map_->Register101.readRegister(status)); }

uint32_t GenP2PControl::pulseAndReadP2PCount(tStatus& status) {
  shadowed::pulse(map_->GenerationP2PControlRegType, kCountCommand, status);
  return high(map_->Register101.readRegister(status));
}

uint32_t GenP2PControl::readP2PCountC(tStatus& status) { return high(map_->Register100.readRegister(status)); }

void GenP2PControl::setP2PSamples(uint64_t, int64_t samples, tStatus& status) {
  map_->GenerationP2PControlRegType.writeBit4(samples >= 1, status, false);
  map_->P2PNumberOfSamples.writeWord(static_cast<uint64_t>(samples), status, false);
}

// A level the register cannot hold is refused before anything is written,
// so the trigger is never enabled with a level cut to 32 bits.
void GenP2PControl::setP2PFullnessLevel(uint64_t, const int64_t& level, tStatus& status) {
  if (status.isFatal()) return;
  if (level > 0 && static_cast<uint64_t>(level) > kLevelLimit) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  map_->GenerationP2PControlRegType.writeBit3(level > 0, status, false);
  map_->P2PEndpointFullnessTriggerLevel.writeWord(static_cast<uint32_t>(level), status, false);
}

bool GenP2PControl::readP2PFlag(tStatus& status) { return map_->GenerationP2PStatusRegType.readBit0(status); }

bool GenP2PControl::readP2PStatus(tStatus& status) { return map_->ReadableLowerBit70.readBit0(status); }

}  // namespace qrtifwprim
