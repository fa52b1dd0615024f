#include "AcqP2PControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

constexpr uint64_t kCommandA = 1u << 3;
constexpr uint64_t kCommandB = 1u << 2;
constexpr uint64_t kCountCommand = 1u << 4;

uint32_t low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t high(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

}  // namespace

void AcqP2PControl::setP2PControlBit0(bool value, tStatus& status) {
  map_->AcquisitionP2PControlRegType.writeBit0(value, status, false);
}

void AcqP2PControl::pulseP2PCommandA(tStatus& status) {
  auto& control = map_->AcquisitionP2PControlRegType;
  shadowed::writeValue(control, control.getValue() | kCommandA, status);
  shadowed::writeValue(control, control.getValue() & ~kCommandA, status);
}

uint32_t AcqP2PControl::readP2PCountA(uint64_t, tStatus& status) { return low(map_->Register99.readRegister(status)); }

void AcqP2PControl::pulseP2PCommandB(tStatus& status) {
  shadowed::pulse(map_->AcquisitionP2PControlRegType, kCommandB, status);
}

uint32_t AcqP2PControl::pulseAndReadP2PCount(tStatus& status) {
  shadowed::pulse(map_->AcquisitionP2PControlRegType, kCountCommand, status);
  return high(map_->P2PSamplesInEndpoint.readRegister(status));
}

void AcqP2PControl::setP2PControlBit1(bool value, tStatus& status) {
  map_->AcquisitionP2PControlRegType.writeBit1(value, status, false);
}

bool AcqP2PControl::readP2PFlag(uint64_t, tStatus& status) { return map_->Register98.readBit0(status); }

int64_t AcqP2PControl::readP2PSamples(uint64_t, tStatus& status) {
  const int64_t samples = static_cast<int64_t>(map_->Register101.readRegister(status));
  if (samples < 0 && status.isNotFatal()) status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return samples;
}

uint32_t AcqP2PControl::readP2PCountB(uint64_t, tStatus& status) {
  return low(map_->P2PSamplesInEndpoint.readRegister(status));
}

void AcqP2PControl::setP2PSamples(int64_t samples, tStatus& status) {
  map_->AcquisitionP2PControlRegType.writeBit5(samples >= 0, status, false);
  map_->P2PSamplesToTransfer.writeWord(static_cast<uint64_t>(samples), status, false);
}

bool AcqP2PControl::readP2PStatus(tStatus& status) { return map_->ReadableLowerBit37.readBit0(status); }

}  // namespace qrtifwprim
