#include "InstructionBlockModel.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace sim {

void InstructionBlockModel::define(uint32_t address, Access access, bool wide, uint64_t reset) {
  registers_[address] = Register{access, wide, reset};
}

uint64_t InstructionBlockModel::value(uint32_t address) const {
  auto found = registers_.find(address);
  if (found == registers_.end()) throw std::out_of_range("no register at this address");
  return found->second.value;
}

void InstructionBlockModel::setValue(uint32_t address, uint64_t value) {
  auto found = registers_.find(address);
  if (found == registers_.end()) throw std::out_of_range("no register at this address");
  found->second.value = found->second.wide ? value : value & 0xFFFFFFFFu;
}

const RecentLog<InstructionBlockModel::Entry>& InstructionBlockModel::whole() const {
  if (!log_.whole()) {
    std::fprintf(stderr, "sim: a block's access log is read after it dropped its oldest entries (clear it first)\n");
    std::abort();
  }
  return log_;
}

std::vector<InstructionBlockModel::Entry> InstructionBlockModel::writes() const {
  std::vector<Entry> result;
  for (const Entry& entry : whole()) {
    if (!entry.isRead) result.push_back(entry);
  }
  return result;
}

size_t InstructionBlockModel::readsOf(uint32_t address) const {
  size_t count = 0;
  for (const Entry& entry : whole()) count += entry.isRead && entry.address == address;
  return count;
}

void InstructionBlockModel::failAt(uint32_t address, uint32_t errorValue, uint32_t count) {
  faults_[address] = Fault{errorValue, count, false};
}

void InstructionBlockModel::timeOutAt(uint32_t address, uint32_t count) { faults_[address] = Fault{0, count, true}; }

const InstructionBlockModel::Fault* InstructionBlockModel::takeFault(uint32_t address) {
  auto found = faults_.find(address);
  if (found == faults_.end()) return nullptr;
  taken_ = found->second;
  if (--found->second.count == 0) faults_.erase(found);
  return &taken_;
}

SubsystemModel::Result InstructionBlockModel::read(uint32_t address) {
  if (const Fault* fault = takeFault(address)) {
    return fault->timeOut ? Result::neverAnswered() : Result::failure(fault->errorValue);
  }
  auto found = registers_.find(address);
  if (found == registers_.end()) return Result::failure(kNoSuchRegister);
  if ((found->second.access & kRead) == 0) return Result::failure(kGenericFailure);
  uint64_t value = onRead(address, found->second.value);
  if (!found->second.wide) value &= 0xFFFFFFFFu;
  log_.push(Entry{true, address, value});
  return Result::success(value, found->second.wide);
}

SubsystemModel::Result InstructionBlockModel::write(uint32_t address, uint64_t data) {
  if (const Fault* fault = takeFault(address)) {
    return fault->timeOut ? Result::neverAnswered() : Result::failure(fault->errorValue);
  }
  auto found = registers_.find(address);
  if (found == registers_.end()) return Result::failure(kNoSuchRegister);
  if ((found->second.access & kWrite) == 0) return Result::failure(kGenericFailure);
  const uint64_t value = found->second.wide ? data : data & 0xFFFFFFFFu;
  found->second.value = value;
  log_.push(Entry{false, address, value});
  onWrite(address, value);
  return Result::success();
}

}  // namespace sim
