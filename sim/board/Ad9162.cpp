#include "Ad9162.h"

#include "FixedLogic.h"
#include "sim/kernel/Clock.h"

namespace sim {
namespace {

constexpr uint8_t kStartUpGo = 1u << 0;
constexpr uint8_t kStartUpDone = 1u << 1;
constexpr uint8_t kUpdateBit = 1u << 0;

}  // namespace

Ad9162::Ad9162(Bar& bar0, uint64_t cpldWindow) {
  registers_[kChipType] = kChipTypeValue;
  registers_[kProductIdLow] = kProductId & 0xFF;
  registers_[kProductIdHigh] = kProductId >> 8;
  registers_[kChipGrade] = kChipGradeValue;
  bar0.attach(FixedLogic::kBarOffset + cpldWindow + kCpldOffset, kSize, *this);
}

uint32_t Ad9162::read(uint64_t offset, unsigned width) {
  if (width != 4 || offset % 4 != 0) return 0;
  const unsigned address = static_cast<unsigned>(offset / 4);
  std::lock_guard<std::mutex> lock(mutex_);
  if (address == kStartUp) {
    startUpReadTimes_.push_back(Clock::instance().nowNs());
    if (startUpStarted_ && !startUpHeld_ && ++startUpReads_ >= readsBeforeDone_) registers_[kStartUp] |= kStartUpDone;
  }
  return registers_[address];
}

void Ad9162::write(uint64_t offset, unsigned width, uint32_t value) {
  if (width != 4 || offset % 4 != 0) return;
  const unsigned address = static_cast<unsigned>(offset / 4);
  std::lock_guard<std::mutex> lock(mutex_);
  ++writes_[address];
  if (identity(address)) return;
  uint8_t byte = static_cast<uint8_t>(value);
  const bool rising = (byte & kUpdateBit) != 0 && (registers_[address] & kUpdateBit) == 0;
  if (address == kStartUp && (byte & kStartUpGo) != 0) {
    startUpStarted_ = true;
    startUpReads_ = 0;
    if (!startUpHeld_ && readsBeforeDone_ == 0) byte |= kStartUpDone;
  }
  if (address == kFtwUpdate && rising) {
    nco_ = {word(kFtw), word(kAccDelta), word(kAccModulus)};
    ++ncoUpdates_;
  }
  if (address == kTempUpdate && rising) {
    registers_[kTempLsb] = static_cast<uint8_t>(dieTemperature_);
    registers_[kTempMsb] = static_cast<uint8_t>(dieTemperature_ >> 8);
  }
  registers_[address] = byte;
}

uint64_t Ad9162::word(unsigned first) const {
  uint64_t value = 0;
  for (unsigned k = 0; k < 6; ++k) value |= uint64_t{registers_[first + k]} << (8 * k);
  return value;
}

uint8_t Ad9162::reg(unsigned address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return registers_.at(address);
}

void Ad9162::setReg(unsigned address, uint8_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  registers_.at(address) = value;
}

uint64_t Ad9162::writesTo(unsigned address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_.at(address);
}

void Ad9162::holdStartUp(bool held) {
  std::lock_guard<std::mutex> lock(mutex_);
  startUpHeld_ = held;
}

void Ad9162::setStartUpReadsBeforeDone(unsigned reads) {
  std::lock_guard<std::mutex> lock(mutex_);
  readsBeforeDone_ = reads;
}

std::vector<uint64_t> Ad9162::startUpReadTimes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startUpReadTimes_;
}

Ad9162::Nco Ad9162::nco() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return nco_;
}

uint64_t Ad9162::ncoUpdates() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ncoUpdates_;
}

void Ad9162::setDieTemperatureCode(uint16_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  dieTemperature_ = code;
}

}  // namespace sim
