#include "ListEngineModel.h"

#include "sim/kernel/Clock.h"

namespace sim {

namespace {

constexpr uint64_t kListIsDone = 1u << 0;
constexpr uint64_t kFifoUnderflow = 1u << 1;
constexpr uint64_t kStartBit = 1u << 1;
constexpr uint64_t kStopBit = 1u << 2;
constexpr uint64_t kRunBit = 1u << 4;

}  // namespace

ListEngineModel::ListEngineModel(uint32_t offset) : offset_(offset) {
  for (Register index : {kCapabilities, kStatus, kProgress, kErrorCount, kErrorInfo}) {
    define(offset + index, kRead, true);
  }
  for (Register index : {kControl, kListLocation}) define(offset + index, kWrite, true);
  for (Register index : {kRegister5, kRegister6}) define(offset + index, kReadWrite, true);
}

void ListEngineModel::setDone(Done mode, uint64_t delayNs) {
  done_ = mode;
  delayNs_ = delayNs;
}

void ListEngineModel::setFifoUnderflow(bool underflow) {
  const uint64_t status = value(address(kStatus));
  setValue(address(kStatus), underflow ? status | kFifoUnderflow : status & ~kFifoUnderflow);
}

void ListEngineModel::setErrors(uint32_t count, uint64_t info) {
  setValue(address(kErrorCount), count);
  setValue(address(kErrorInfo), info);
}

uint64_t ListEngineModel::onRead(uint32_t at, uint64_t stored) {
  if (at != address(kStatus)) return stored;
  bool done = false;
  if (stopped_ && done_ == Done::kOnStop) done = true;
  if (stopped_ && done_ == Done::kAfterDelay) done = Clock::instance().nowNs() - stoppedAtNs_ >= delayNs_;
  if (done_ == Done::kAtEnd) done = stopped_ || ended_;
  return done ? stored | kListIsDone : stored & ~kListIsDone;
}

void ListEngineModel::onWrite(uint32_t at, uint64_t value) {
  if (at != address(kControl)) return;
  const uint64_t raised = value & ~control_;
  control_ = value;
  controlLog_.push_back(value);
  if ((raised & kStopBit) != 0) {
    stopped_ = true;
    held_ = false;
    stoppedAtNs_ = Clock::instance().nowNs();
  }
  if ((raised & kStartBit) != 0 && (value & kRunBit) != 0) {
    ++starts_;
    stopped_ = false;
    held_ = false;
    ended_ = false;
    auto program = programs_.find(this->value(address(kListLocation)));
    if (program == programs_.end()) {
      failed(0, 0);
      return;
    }
    started_ = program->second;
    at_ = 0;
    iteration_ = this->value(address(kProgress)) >> 32;
    advance();
  }
}

bool ListEngineModel::sendTrigger() {
  if (!held_) return false;
  held_ = false;
  advance();
  return true;
}

void ListEngineModel::advance() {
  for (; at_ + 1 < started_.size(); at_ += 2) {
    const uint64_t operand = started_[at_];
    const uint64_t header = started_[at_ + 1];
    const bool stepHeader = (header >> 48) == 0 && ((header >> 40) & 1) == 0;
    if (stepHeader) {
      setValue(address(kProgress), iteration_ << 32 | operand >> 32);
      continue;
    }
    if (!execute(operand, header)) {
      failed(at_ / 2, header);
      return;
    }
    if ((header >> 48) == 4) {
      at_ += 2;
      held_ = true;
      return;
    }
  }
  ended_ = true;
  setValue(address(kProgress), (iteration_ + 1) << 32 | (value(address(kProgress)) & 0xFFFFFFFFu));
}

void ListEngineModel::failed(uint64_t index, uint64_t header) {
  setValue(address(kErrorCount), value(address(kErrorCount)) + 1);
  setValue(address(kErrorInfo), index | (header >> 48) << 32);
}

// Trigger waits pass at once.
bool ListEngineModel::run(const std::vector<uint64_t>& words) {
  started_ = words;
  at_ = 0;
  iteration_ = value(address(kProgress)) >> 32;
  held_ = ended_ = false;
  advance();
  while (sendTrigger()) {
  }
  return ended_;
}

bool ListEngineModel::waitFor(uint8_t subsystem, uint32_t at, uint32_t bit, bool expected, uint64_t reads) {
  auto target = targets_.find(subsystem);
  if (target == targets_.end()) return false;
  for (uint64_t n = 0; n < reads; ++n) {
    const Result result = target->second->read(at);
    if (!result.ok) return false;
    if (((result.value >> bit) & 1) == uint64_t{expected}) return true;
  }
  return false;
}

bool ListEngineModel::execute(uint64_t operand, uint64_t header) {
  const uint16_t opcode = static_cast<uint16_t>(header >> 48);
  const uint8_t subsystem = static_cast<uint8_t>(header >> 32);
  const uint32_t at = static_cast<uint32_t>(header);
  switch (opcode) {
    case 0:  // the filler of an empty block
      return true;
    case 1:
      events_.push_back(Event{opcode, operand & 0xFFFFFFFFu});
      return true;
    case 2: {
      auto target = targets_.find(subsystem);
      return target != targets_.end() && target->second->write(at, operand).ok;
    }
    case 3: {
      const uint64_t ticks = operand & 0xFFFFFFFFu;
      return waitFor(subsystem, at, (operand >> 32) & 63, ((operand >> 38) & 1) != 0, ticks == 0 ? 1 : ticks);
    }
    case 6:
      return waitFor(subsystem, at, operand & 63, ((operand >> 6) & 1) != 0, kFieldWaitReads);
    case 4:
    case 5:
    case 7:
      events_.push_back(Event{opcode, (operand >> 32) & 15});
      return true;
    default:
      return false;
  }
}

}  // namespace sim
