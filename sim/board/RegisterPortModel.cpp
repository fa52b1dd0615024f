#include "RegisterPortModel.h"

#include <cstdio>
#include <cstdlib>

#include "sim/kernel/Clock.h"

namespace sim {
namespace {

uint64_t now() { return Clock::instance().nowNs(); }

uint32_t bits(uint32_t word, unsigned low, unsigned count) { return (word >> low) & ((1u << count) - 1); }

}  // namespace

RegisterPortModel::RegisterPortModel(Bar& bar0) {
  subsystems_[0] = &subsystemMap_;
  bar0.attach(kBarOffset, kSize, *this);
}

// Only whole 32-bit registers exist; anything else reads 0.
uint32_t RegisterPortModel::read(uint64_t offset, unsigned width) {
  std::lock_guard<std::mutex> lock(mutex_);
  complete(now());
  return width == 4 ? readLocked(offset) : 0;
}

void RegisterPortModel::write(uint64_t offset, unsigned width, uint32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  complete(now());
  if (width == 4) writeLocked(offset, value);
  complete(now());
}

uint32_t RegisterPortModel::readLocked(uint64_t offset) {
  switch (offset) {
    case kSignature:
      return signature_;
    case kVersion:
      return version_;
    case kOldestCompatibleVersion:
      return oldestCompatible_;
    case kScratch:
      return scratch_;
    case kReadDataHigh:
      return static_cast<uint32_t>(readData_ >> 32);
    case kReadDataLow:
      return static_cast<uint32_t>(readData_);
    case kControl:
      return resetting(now()) ? kControlBusy : 0;
    case kStatus:
      return statusWord();
    case kFreeSlots:
      return queue_.size() < fifoDepth_ ? static_cast<uint32_t>(fifoDepth_ - queue_.size()) : 0;
    default:
      return 0;  // the instruction words are write-only
  }
}

void RegisterPortModel::writeLocked(uint64_t offset, uint32_t value) {
  switch (offset) {
    case kScratch:
      scratch_ = value;
      break;
    case kWordA:
    case kWordB:
    case kWordC:
      extension_[(offset - kWordA) / 4] = value;
      break;
    case kWordD:
      queue(value);
      break;
    case kControl:
      if ((value & kControlReset) != 0) reset();
      break;
    default:
      break;
  }
}

bool RegisterPortModel::resetting(uint64_t nowNs) const { return resetStuck_ || nowNs < resetEndNs_; }

uint32_t RegisterPortModel::statusWord() const {
  uint32_t word = fault_ ? kStatusFault : 0;
  if (error_) return word | kStatusError;
  if (queue_.empty() && completedAny_) word |= kStatusDone | (wide_ ? kStatusWide : 0);
  return word;
}

// Word D carries the low nibble of the subsystem and the lowest byte and
// 16 bits of address and data; A to C carry the rest, and are used up by
// the instruction.
void RegisterPortModel::queue(uint32_t wordD) {
  const uint32_t a = extension_[0];
  const uint32_t b = extension_[1];
  const uint32_t c = extension_[2];
  extension_ = {};
  const uint64_t nowNs = now();
  if (error_ || resetting(nowNs)) return;
  if (queue_.size() >= fifoDepth_) {
    fault_ = true;
    return;
  }
  Instruction instruction{};
  instruction.subsystem = static_cast<uint8_t>(bits(c, 0, 4) << 4 | bits(wordD, 0, 4));
  instruction.address = bits(a, 4, 8) << 24 | bits(b, 4, 8) << 16 | bits(c, 4, 8) << 8 | bits(wordD, 4, 8);
  instruction.data = uint64_t{bits(a, 12, 16)} << 48 | uint64_t{bits(b, 12, 16)} << 32 |
                     uint64_t{bits(c, 12, 16)} << 16 | bits(wordD, 12, 16);
  instruction.isRead = bits(wordD, 28, 1) != 0;
  instruction.reportCompletion = bits(wordD, 29, 1) != 0;
  const uint64_t start = queue_.empty() ? nowNs : queue_.back().dueNs;
  queue_.push_back(Pending{instruction, start + latencyNs_});
}

void RegisterPortModel::complete(uint64_t nowNs) {
  while (!stalled_ && !held_ && !queue_.empty() && queue_.front().dueNs <= nowNs) {
    const Instruction instruction = queue_.front().instruction;
    queue_.pop_front();
    execute(instruction);
  }
}

void RegisterPortModel::execute(const Instruction& instruction) {
  executed_.push(instruction);
  SubsystemModel::Result result = SubsystemModel::Result::failure(SubsystemModel::kNoSuchRegister);
  if (failCount_ != 0) {
    --failCount_;
    result = SubsystemModel::Result::failure(failValue_);
  } else if (auto found = subsystems_.find(instruction.subsystem); found != subsystems_.end()) {
    result = instruction.isRead ? found->second->read(instruction.address)
                                : found->second->write(instruction.address, instruction.data);
  }
  if (result.unanswered) {
    // It stays at the head of the queue, and nothing completes behind it,
    // until the port is reset.
    executed_.popBack();
    queue_.push_front(Pending{instruction, 0});
    held_ = true;
    return;
  }
  completedAny_ = true;
  if (!result.ok) {
    error_ = true;
    wide_ = false;
    readData_ = result.errorValue;
    queue_.clear();
    return;
  }
  if (instruction.isRead) {
    readData_ = result.value;
    wide_ = result.wide;
  }
}

void RegisterPortModel::reset() {
  queue_.clear();
  held_ = false;
  extension_ = {};
  readData_ = 0;
  wide_ = false;
  completedAny_ = false;
  error_ = false;
  fault_ = false;
  resetEndNs_ = now() + resetDurationNs_;
  ++resets_;
  for (auto& [number, model] : subsystems_) model->reset();
}

void RegisterPortModel::attachSubsystem(uint8_t number, SubsystemModel& model) {
  std::lock_guard<std::mutex> lock(mutex_);
  subsystems_[number] = &model;
}

void RegisterPortModel::detachSubsystem(uint8_t number) {
  std::lock_guard<std::mutex> lock(mutex_);
  subsystems_.erase(number);
}

void RegisterPortModel::setSignature(uint32_t signature) {
  std::lock_guard<std::mutex> lock(mutex_);
  signature_ = signature;
}

void RegisterPortModel::setVersions(uint32_t current, uint32_t oldestCompatible) {
  std::lock_guard<std::mutex> lock(mutex_);
  version_ = current;
  oldestCompatible_ = oldestCompatible;
}

void RegisterPortModel::setFifoDepth(uint32_t depth) {
  std::lock_guard<std::mutex> lock(mutex_);
  fifoDepth_ = depth;
}

void RegisterPortModel::setInstructionLatencyNs(uint64_t ns) {
  std::lock_guard<std::mutex> lock(mutex_);
  latencyNs_ = ns;
}

void RegisterPortModel::setResetDurationNs(uint64_t ns) {
  std::lock_guard<std::mutex> lock(mutex_);
  resetDurationNs_ = ns;
}

void RegisterPortModel::failNextInstructions(uint32_t errorValue, uint32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  failValue_ = errorValue;
  failCount_ = count;
}

void RegisterPortModel::setFault(bool fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  fault_ = fault;
}

void RegisterPortModel::setStalled(bool stalled) {
  std::lock_guard<std::mutex> lock(mutex_);
  stalled_ = stalled;
}

void RegisterPortModel::setResetStuck(bool stuck) {
  std::lock_guard<std::mutex> lock(mutex_);
  resetStuck_ = stuck;
}

std::vector<RegisterPortModel::Instruction> RegisterPortModel::executed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!executed_.whole()) {
    std::fprintf(stderr,
                 "sim: the register port's executed instructions are read after it dropped the oldest (clear "
                 "them first)\n");
    std::abort();
  }
  return executed_.kept();
}

void RegisterPortModel::clearExecuted() {
  std::lock_guard<std::mutex> lock(mutex_);
  executed_.clear();
}

size_t RegisterPortModel::queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

uint32_t RegisterPortModel::resets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return resets_;
}

std::array<uint32_t, 3> RegisterPortModel::extensionWords() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return extension_;
}

uint32_t RegisterPortModel::scratch() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return scratch_;
}

}  // namespace sim
