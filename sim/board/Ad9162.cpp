#include "Ad9162.h"

#include "FixedLogic.h"

namespace sim {
namespace {

constexpr uint8_t kStartUpGo = 1u << 0;
constexpr uint8_t kStartUpDone = 1u << 1;

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
  std::lock_guard<std::mutex> lock(mutex_);
  return registers_[offset / 4];
}

void Ad9162::write(uint64_t offset, unsigned width, uint32_t value) {
  if (width != 4 || offset % 4 != 0) return;
  const unsigned address = static_cast<unsigned>(offset / 4);
  std::lock_guard<std::mutex> lock(mutex_);
  ++writes_[address];
  if (identity(address)) return;
  uint8_t byte = static_cast<uint8_t>(value);
  if (address == kStartUp && (byte & kStartUpGo) != 0 && !startUpHeld_) byte |= kStartUpDone;
  registers_[address] = byte;
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

}  // namespace sim
