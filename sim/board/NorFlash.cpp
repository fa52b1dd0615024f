#include "NorFlash.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <numeric>

#include "sim/kernel/Clock.h"

namespace sim {
namespace {

constexpr uint64_t kUnlockAddress1 = 0xAAA;
constexpr uint64_t kUnlockAddress2 = 0x554;
constexpr uint16_t kUnlock1 = 0xAA;
constexpr uint16_t kUnlock2 = 0x55;
constexpr uint16_t kProgram = 0xA0;
constexpr uint16_t kEraseSetup = 0x80;
constexpr uint16_t kSectorErase = 0x30;
constexpr uint16_t kReset = 0xF0;
constexpr uint16_t kDataBit7 = 0x80;
constexpr uint16_t kToggleBit = 0x40;

uint64_t now() { return Clock::instance().nowNs(); }

}  // namespace

NorFlash::NorFlash(uint64_t size)
    : array_(size, 0xFF),
      state_(State::Array),
      busyUntilNs_(0),
      statusBit7_(0),
      toggle_(0),
      programTimeNs_(0),
      eraseTimeNs_(0),
      operationsUntilLoss_(0),
      powered_(true),
      programs_(0),
      failedBitSets_(0),
      sectorErases_(size / kSectorSize, 0),
      tearState_(0x9E3779B97F4A7C15ull),
      recording_(false),
      dirty_(size / kSectorSize, false) {
  assert(size % kSectorSize == 0);
}

bool NorFlash::busyLocked() const { return busyUntilNs_ != 0 && now() < busyUntilNs_; }

uint16_t NorFlash::readWord(uint64_t address) {
  if (address + 2 > array_.size()) return 0xFFFF;
  if (powered_ && busyLocked()) {
    toggle_ ^= kToggleBit;
    return static_cast<uint16_t>(statusBit7_ | toggle_);
  }
  return static_cast<uint16_t>(array_[address] | array_[address + 1] << 8);
}

uint32_t NorFlash::read(uint64_t address, unsigned width) {
  std::lock_guard<ModelLock> lock(mutex_);
  uint32_t value = 0;
  uint64_t word = ~uint64_t{0};
  uint16_t current = 0;
  for (unsigned i = 0; i < width; ++i) {
    const uint64_t byte = address + i;
    if ((byte & ~uint64_t{1}) != word) {
      word = byte & ~uint64_t{1};
      current = readWord(word);
    }
    value |= static_cast<uint32_t>((current >> (8 * (byte & 1))) & 0xFF) << (8 * i);
  }
  return value;
}

void NorFlash::write(uint64_t address, unsigned width, uint32_t value) {
  std::lock_guard<ModelLock> lock(mutex_);
  if (width == 4) {
    cycle(address, static_cast<uint16_t>(value));
    cycle(address + 2, static_cast<uint16_t>(value >> 16));
  } else if (width == 2) {
    cycle(address, static_cast<uint16_t>(value));
  } else {
    const uint16_t byte = value & 0xFF;
    cycle(address & ~uint64_t{1}, static_cast<uint16_t>((address & 1) != 0 ? byte << 8 | 0xFF : 0xFF00 | byte));
  }
}

// One bus write cycle. The part takes no command while it is busy or
// unpowered, and nothing beyond its last word.
void NorFlash::cycle(uint64_t address, uint16_t value) {
  if (!powered_ || busyLocked() || address + 2 > array_.size()) return;
  if (state_ == State::ProgramSetup) {
    state_ = State::Array;
    program(address & ~uint64_t{1}, value);
    return;
  }
  command(address, value);
}

void NorFlash::command(uint64_t address, uint16_t value) {
  const uint16_t code = value & 0xFF;
  const State state = state_;
  state_ = State::Array;
  if (code == kReset) return;
  switch (state) {
    case State::Array:
      if (code == kUnlock1 && address == kUnlockAddress1) state_ = State::Unlocked1;
      return;
    case State::Unlocked1:
      if (code == kUnlock2 && address == kUnlockAddress2) state_ = State::Unlocked2;
      return;
    case State::Unlocked2:
      if (address != kUnlockAddress1) return;
      if (code == kProgram) state_ = State::ProgramSetup;
      if (code == kEraseSetup) state_ = State::EraseSetup;
      return;
    case State::EraseSetup:
      if (code == kUnlock1 && address == kUnlockAddress1) state_ = State::EraseUnlocked1;
      return;
    case State::EraseUnlocked1:
      if (code == kUnlock2 && address == kUnlockAddress2) state_ = State::EraseUnlocked2;
      return;
    case State::EraseUnlocked2:
      if (code == kSectorErase) eraseSector(address);
      return;
    case State::ProgramSetup:
      return;
  }
}

bool NorFlash::tornNow() {
  if (operationsUntilLoss_ == 0) return false;
  return --operationsUntilLoss_ == 0;
}

void NorFlash::startBusy(uint64_t durationNs, uint16_t statusBit7) {
  statusBit7_ = statusBit7;
  busyUntilNs_ = durationNs != 0 ? now() + durationNs : 0;
}

void NorFlash::program(uint64_t address, uint16_t value) {
  const bool torn = tornNow();
  perform(Operation{Operation::Kind::Program, address, value}, torn);
  if (!torn) startBusy(programTimeNs_, static_cast<uint16_t>(~value & kDataBit7));
}

void NorFlash::eraseSector(uint64_t address) {
  const bool torn = tornNow();
  perform(Operation{Operation::Kind::Erase, address / kSectorSize * kSectorSize, 0}, torn);
  if (!torn) startBusy(eraseTimeNs_, 0);
}

// xorshift64: the same seed tears the same bits.
uint16_t NorFlash::tearMask() {
  tearState_ ^= tearState_ << 13;
  tearState_ ^= tearState_ >> 7;
  tearState_ ^= tearState_ << 17;
  return static_cast<uint16_t>(tearState_ >> 24);
}

void NorFlash::perform(const Operation& operation, bool torn) {
  if (recording_) recorded_.push_back(operation);
  if (operation.kind == Operation::Kind::Program) {
    const uint64_t address = operation.address;
    ++programs_;
    const uint16_t old = static_cast<uint16_t>(array_[address] | array_[address + 1] << 8);
    const uint16_t value = operation.value;
    if ((value & ~old) != 0) ++failedBitSets_;
    // A torn program clears only some of the bits it was clearing.
    const uint16_t stored = static_cast<uint16_t>(old & (torn ? value | tearMask() : value));
    array_[address] = static_cast<uint8_t>(stored);
    array_[address + 1] = static_cast<uint8_t>(stored >> 8);
    touch(address / kSectorSize);
    applyStuckBits(address, 2);
  } else {
    const uint64_t sector = operation.address / kSectorSize;
    uint8_t* bytes = array_.data() + sector * kSectorSize;
    if (torn) {
      // A torn erase sets only some of the bits it was setting.
      for (uint64_t i = 0; i < kSectorSize; i += 2) {
        const uint16_t mask = tearMask();
        bytes[i] = static_cast<uint8_t>(bytes[i] | mask);
        bytes[i + 1] = static_cast<uint8_t>(bytes[i + 1] | mask >> 8);
      }
    } else {
      std::memset(bytes, 0xFF, kSectorSize);
    }
    ++sectorErases_[sector];
    touch(sector);
    applyStuckBits(sector * kSectorSize, kSectorSize);
  }
  if (torn) powered_ = false;
}

void NorFlash::applyStuckBits(uint64_t from, uint64_t length) {
  for (auto it = stuck_.lower_bound(from); it != stuck_.end() && it->first < from + length; ++it) {
    const auto [mask, value] = it->second;
    const uint16_t word = static_cast<uint16_t>(array_[it->first] | array_[it->first + 1] << 8);
    const uint16_t stuck = static_cast<uint16_t>((word & ~mask) | (value & mask));
    array_[it->first] = static_cast<uint8_t>(stuck);
    array_[it->first + 1] = static_cast<uint8_t>(stuck >> 8);
  }
}

void NorFlash::apply(const Operation& operation, bool torn) {
  std::lock_guard<ModelLock> lock(mutex_);
  perform(operation, torn);
}

void NorFlash::setTearSeed(uint64_t seed) {
  std::lock_guard<ModelLock> lock(mutex_);
  tearState_ = seed != 0 ? seed : 1;
}

void NorFlash::setStuckBits(uint64_t address, uint16_t mask, uint16_t value) {
  std::lock_guard<ModelLock> lock(mutex_);
  assert(address % 2 == 0 && address + 2 <= array_.size());
  stuck_[address] = {mask, value};
  applyStuckBits(address, 2);
}

void NorFlash::recordOperations(bool on) {
  std::lock_guard<ModelLock> lock(mutex_);
  recording_ = on;
  recorded_.clear();
}

std::vector<NorFlash::Operation> NorFlash::recordedOperations() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return recorded_;
}

void NorFlash::takeSnapshot() {
  std::lock_guard<ModelLock> lock(mutex_);
  snapshot_ = array_;
  std::fill(dirty_.begin(), dirty_.end(), false);
}

void NorFlash::restoreSnapshot() {
  std::lock_guard<ModelLock> lock(mutex_);
  assert(snapshot_.size() == array_.size());
  for (uint64_t sector = 0; sector < dirty_.size(); ++sector) {
    if (!dirty_[sector]) continue;
    std::memcpy(array_.data() + sector * kSectorSize, snapshot_.data() + sector * kSectorSize, kSectorSize);
    dirty_[sector] = false;
  }
  powered_ = true;
  state_ = State::Array;
  busyUntilNs_ = 0;
  operationsUntilLoss_ = 0;
}

void NorFlash::load(uint64_t address, const void* data, size_t length) {
  std::lock_guard<ModelLock> lock(mutex_);
  assert(address <= array_.size() && length <= array_.size() - address);
  std::memcpy(array_.data() + address, data, length);
  for (uint64_t sector = address / kSectorSize; length != 0 && sector <= (address + length - 1) / kSectorSize;
       ++sector) {
    touch(sector);
  }
}

void NorFlash::load32(uint64_t address, uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  load(address, bytes, sizeof bytes);
}

std::vector<uint8_t> NorFlash::contents(uint64_t address, size_t length) const {
  std::lock_guard<ModelLock> lock(mutex_);
  assert(address <= array_.size() && length <= array_.size() - address);
  return std::vector<uint8_t>(array_.begin() + static_cast<ptrdiff_t>(address),
                              array_.begin() + static_cast<ptrdiff_t>(address + length));
}

uint32_t NorFlash::peek32(uint64_t address) const {
  const std::vector<uint8_t> bytes = contents(address, 4);
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

void NorFlash::eraseAll() {
  std::lock_guard<ModelLock> lock(mutex_);
  std::memset(array_.data(), 0xFF, array_.size());
  std::fill(dirty_.begin(), dirty_.end(), true);
}

void NorFlash::setProgramTimeNs(uint64_t ns) {
  std::lock_guard<ModelLock> lock(mutex_);
  programTimeNs_ = ns;
}

void NorFlash::setEraseTimeNs(uint64_t ns) {
  std::lock_guard<ModelLock> lock(mutex_);
  eraseTimeNs_ = ns;
}

bool NorFlash::busy() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return busyLocked();
}

void NorFlash::losePowerDuring(uint64_t nthOperation) {
  std::lock_guard<ModelLock> lock(mutex_);
  operationsUntilLoss_ = nthOperation;
}

void NorFlash::restorePower() {
  std::lock_guard<ModelLock> lock(mutex_);
  powered_ = true;
  state_ = State::Array;
  busyUntilNs_ = 0;
  operationsUntilLoss_ = 0;
}

bool NorFlash::powered() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return powered_;
}

uint64_t NorFlash::programs() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return programs_;
}

uint64_t NorFlash::erases() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return std::accumulate(sectorErases_.begin(), sectorErases_.end(), uint64_t{0});
}

uint64_t NorFlash::sectorErases(uint64_t sector) const {
  std::lock_guard<ModelLock> lock(mutex_);
  return sector < sectorErases_.size() ? sectorErases_[sector] : 0;
}

uint64_t NorFlash::failedBitSets() const {
  std::lock_guard<ModelLock> lock(mutex_);
  return failedBitSets_;
}

}  // namespace sim
