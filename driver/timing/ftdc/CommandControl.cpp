#include "CommandControl.h"

#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/time/tTimeout.h"

namespace vlftdc {

namespace {

constexpr uint32_t kInstructionTimeoutMs = 1000;

using tTimebase = nVLAPAL000::tTimebaseEfficient;

uint32_t high(uint64_t value) { return static_cast<uint32_t>(value >> 32); }
uint32_t low(uint64_t value) { return static_cast<uint32_t>(value); }

}  // namespace

CommandControl::CommandControl(const vlifw::ContextInterface* context, vlifw::InstructionTarget* target,
                               tStatus& status)
    : context_(context), target_(target) {
  if (status.isFatal()) return;
  const uint64_t info = context_->getInfo(status);
  if (static_cast<uint16_t>(info) != kUid) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  context_->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, status);
  if (status.isFatal()) return;
  traits_.size = kTraitsSize;
  traits_.version = kTraitsVersion;
  traits_.blockVersion = static_cast<uint16_t>(info >> 32);
  traits_.blockOldestCompatibleVersion = static_cast<uint16_t>(info >> 48);
  // Blocks of version 0 have no traits registers.
  if (traits_.blockVersion == 0) return;
  const uint64_t traits6 = readRegister(kTraits6, status);
  const uint64_t traits7 = readRegister(kTraits7, status);
  const uint64_t traits8 = readRegister(kTraits8, status);
  traits_.traits9 = readRegister(kTraits9, status);
  traits_.traits6High = high(traits6);
  traits_.traits6Low = low(traits6);
  traits_.traits7High = high(traits7);
  traits_.traits7Low = low(traits7);
  traits_.traits8High = high(traits8);
  traits_.traits8Low = low(traits8);
}

void CommandControl::writeRegister(uint64_t offset, uint64_t value, bool wait, tStatus& status) {
  if (status.isFatal()) return;
  target_->write(context_->contextualizeWrite(offset, value, status), wait, status, kInstructionTimeoutMs);
}

uint64_t CommandControl::readRegister(uint64_t offset, tStatus& status) {
  if (status.isFatal()) return 0;
  uint64_t value = 0;
  target_->read(context_->contextualizeRead(offset, status), &value, status, kInstructionTimeoutMs);
  return status.isFatal() ? 0 : value;
}

void CommandControl::pulse(uint64_t offset, tStatus& status) {
  writeRegister(offset, 1, true, status);
  writeRegister(offset, 0, true, status);
}

void CommandControl::pulseRegister1(tStatus& status) { pulse(kCommand1, status); }

void CommandControl::pulseRegister0(tStatus& status) { pulse(kCommand0, status); }

// Spins on the timer count, without sleeping: the block finishes within a
// few ticks and the caller may not be allowed to sleep. The deadline is
// judged before each read, so a timeout of 0 reads once, and the read that
// starts at the deadline still counts. A failed read ends the wait as a
// timeout does.
bool CommandControl::awaitDone(uint64_t timeoutUs) {
  const uint64_t start = tTimebase::getTime();
  for (;;) {
    const bool expired = tTimebase::getTime() - start >= timeoutUs;
    tStatus read;
    const uint64_t done = done_.readMeasurementDone(read);
    if (read.isFatal()) return false;
    if (static_cast<uint32_t>(done) == 1) return true;
    if (expired) return false;
  }
}

void CommandControl::waitForMeasurementDone(int32_t timeoutMs, vlfxptype::Number& first, vlfxptype::Number& second,
                                            uint64_t& third, tStatus& status) {
  first = vlfxptype::Number{0, resultFormat_};
  second = vlfxptype::Number{0, resultFormat_};
  third = 0;
  if (status.isFatal()) return;
  if (timeoutMs < 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  // Milliseconds to microseconds in 64 bits: a 32-bit product overflows
  // past about 35 minutes.
  const uint64_t timeoutUs = static_cast<uint64_t>(timeoutMs) * 1000u;
  if (!awaitDone(timeoutUs)) {
    status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
    return;
  }
  const uint64_t firstRaw = readRegister(kFirstResult, status);
  const uint64_t secondRaw = readRegister(kSecondResult, status);
  const uint64_t thirdRaw = readRegister(kThirdResult, status);
  if (status.isFatal()) return;
  first.raw = firstRaw;
  second.raw = secondRaw;
  third = thirdRaw;
}

void CommandControl::getResults(tTraits* record, tStatus& status) const {
  if (status.isFatal()) return;
  if (record == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  if (record->version != kTraitsVersion) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
    return;
  }
  if (record->size != kTraitsSize) {
    status.setCode(nVLAPALS100::kStatusLookupFailure, VL_SITE);
    return;
  }
  *record = traits_;
}

void CommandControl::copyCommonTraits(void* buffer, uint64_t size, tStatus& status) const {
  if (status.isFatal()) return;
  if (buffer == nullptr || size < kCommonTraitsSize) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  const auto* from = reinterpret_cast<const uint8_t*>(&traits_);
  auto* to = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < kCommonTraitsSize; ++i) to[i] = from[i];
}

}  // namespace vlftdc
