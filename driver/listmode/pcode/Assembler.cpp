#include "Assembler.h"

#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/text/tVersionCompatibility.h"

namespace listmodek::pcode {

namespace st = nVLAPALS100;

bool isPowerOfTwo(uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

uint8_t countTrailingZeros(uint64_t value) { return value == 0 ? 255 : static_cast<uint8_t>(__builtin_ctzll(value)); }

void Assembler::fail(int64_t code, tStatus& status, uint64_t line) {
  status.setCode(code, VL_SITE_AT(sites::kAssembler, line));
}

// The buffer is reserved once, so that ordinary lists never reallocate:
// grown to its reserve and emptied again, it keeps the capacity.
Assembler::Assembler(tStatus& status) {
  if (status.isFatal()) return;
  tStatus local;
  buffer_.resize(kReservedWords, 0, local);
  buffer_.clear();
  if (local.isFatal()) fail(st::kStatusOutOfMemory, status, __LINE__);
}

void Assembler::appendInstruction(const Instruction& instruction, tStatus& status) {
  if (status.isFatal()) return;
  if (open_ == 0) {
    fail(st::kStatusAssemblyFailure, status, __LINE__);
    return;
  }
  const uint64_t words[2] = {instruction.operand, instruction.header};
  buffer_.insert_(buffer_.end(), words, words + 2, status);
}

void Assembler::checkEngineCompatibility(tStatus& status) {
  if (traits_.listModeSupported == 0) {
    fail(codes::kNoListMode, status, __LINE__);
    return;
  }
  nVLAPAL000::tVersionCompatibility verdict;
  nVLAPAL000::checkVersionCompatibility(verdict, kPcodeVersion, kOldestCompatiblePcodeVersion, traits_.pcodeVersion,
                                        traits_.pcodeOldestCompatibleVersion, codes::kListEngineLimit,
                                        codes::kPcodeVersion, 0, st::kStatusValueOutOfRange);
  if (verdict.getCode() != 0) fail(verdict.getCode(), status, __LINE__);
}

void Assembler::open(tStatus& status) {
  if (status.isFatal()) return;
  if (open_ != 0) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  checkEngineCompatibility(status);
  if (status.isFatal()) return;
  open_ = 1;
  buffer_.clear();
  step_ = 0;
  headerIndex_ = 0;
  stepOpen_ = 0;
  appendInstruction(Instruction{stepOperand(0, 0), header(kStepHeader, 0)}, status);
}

void Assembler::patchStepLength(tStatus& status) {
  if (status.isFatal()) return;
  uint64_t count = (buffer_.size() - 2 - headerIndex_) / 2;
  if (count > 0xFFFFFFFFu) {
    fail(st::kStatusOutOfMemory, status, __LINE__);
    return;
  }
  if (count == 0) {
    appendInstruction(kFiller, status);
    if (status.isFatal()) return;
    count = 1;
  }
  // Found by its index: the filler may have moved the buffer.
  uint64_t& operand = buffer_[headerIndex_];
  operand = (operand & ~uint64_t{0xFFFFFFFF}) | count;
}

void Assembler::beginStep(uint32_t step, tStatus& status) {
  if (status.isFatal()) return;
  if (open_ == 0) {
    fail(st::kStatusAssemblyFailure, status, __LINE__);
    return;
  }
  patchStepLength(status);
  appendInstruction(Instruction{stepOperand(step, 0), header(kStepHeader, 0)}, status);
  if (status.isFatal()) return;
  headerIndex_ = buffer_.size() - 2;
  step_ = step;
  stepOpen_ = 1;
}

void Assembler::close(tStatus& status) {
  if (open_ == 0) {
    fail(st::kStatusAssemblyFailure, status, __LINE__);
    return;
  }
  patchStepLength(status);
  step_ = 0;
  headerIndex_ = 0;
  open_ = 0;
  stepOpen_ = 0;
}

bool Assembler::toTicks(uint32_t time, uint32_t& ticks, tStatus& status) {
  const uint32_t perUnit = traits_.capability4 != 0 ? traits_.capability4 : kDefaultTicksPerUnit;
  if (0xFFFFFFFFu / perUnit < time) {
    fail(st::kStatusInvalidParameter, status, __LINE__);
    return false;
  }
  ticks = time * perUnit;
  return true;
}

bool Assembler::bitOf(uint64_t mask, uint64_t expected, uint32_t& bit, tStatus& status) {
  if (!isPowerOfTwo(mask) || (expected != 0 && expected != mask)) {
    fail(st::kStatusInvalidParameter, status, __LINE__);
    return false;
  }
  bit = countTrailingZeros(mask);
  return true;
}

void Assembler::emitWrite(uint8_t subsystem, uint32_t address, uint64_t value, tStatus& status) {
  appendInstruction(Instruction{value, header(kWriteRegister, 0, subsystem, address)}, status);
}

void Assembler::emitDelay(uint32_t time, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t ticks = 0;
  if (!toTicks(time, ticks, status)) return;
  appendInstruction(Instruction{ticks, header(kDelay, kFlagBit)}, status);
}

void Assembler::emitWaitForBit(uint8_t subsystem, uint32_t address, uint32_t timeout, uint64_t mask, uint64_t expected,
                               uint32_t flag, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t ticks = 0;
  uint32_t bit = 0;
  if (!toTicks(timeout, ticks, status) || !bitOf(mask, expected, bit, status)) return;
  appendInstruction(
      Instruction{bitWaitOperand(ticks, bit, expected != 0), header(kWaitForBit, flag & kFlagBit, subsystem, address)},
      status);
}

void Assembler::emitWaitForField(uint8_t subsystem, uint32_t address, uint64_t mask, uint64_t expected,
                                 uint32_t checkIndex, uint32_t flag, tStatus& status) {
  if (status.isFatal()) return;
  uint32_t bit = 0;
  if (!bitOf(mask, expected, bit, status)) return;
  appendInstruction(Instruction{fieldWaitOperand(bit, expected != 0, checkIndex % 32),
                                header(kWaitForField, flag & kFlagBit, subsystem, address)},
                    status);
}

void Assembler::emitWaitForListTrigger(uint8_t trigger, tStatus& status) {
  if (status.isFatal()) return;
  if (trigger > traits_.maxListTrigger) {
    fail(codes::kListEngineLimit, status, __LINE__);
    return;
  }
  appendInstruction(Instruction{numberOperand(trigger) | kTriggerWaitBit, header(kWaitForListTrigger, kFlagBit)},
                    status);
}

void Assembler::emitReadyForListTrigger(uint8_t trigger, tStatus& status) {
  if (status.isFatal()) return;
  // Engines of p-code version 0 have no such instruction.
  if (traits_.pcodeVersion == 0 || trigger > traits_.maxListTrigger) {
    fail(codes::kListEngineLimit, status, __LINE__);
    return;
  }
  appendInstruction(Instruction{numberOperand(trigger), header(kReadyForListTrigger, kFlagBit)}, status);
}

void Assembler::emitListEvent(uint8_t event, tStatus& status) {
  if (status.isFatal()) return;
  if (event > traits_.maxListEvent) {
    fail(codes::kListEngineLimit, status, __LINE__);
    return;
  }
  appendInstruction(Instruction{numberOperand(event), header(kGenerateListEvent, kFlagBit)}, status);
}

void Assembler::announceBitWaitRead(uint32_t timeout, uint64_t mask, uint64_t expected, int32_t flag, uint64_t result,
                                    tStatus& status) {
  if (status.isFatal()) return;
  if (bitWait_.announced != 0) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  bitWait_ = BitWait{1, timeout, mask, expected, static_cast<uint8_t>(flag), result};
}

void Assembler::announceFieldWaitRead(uint64_t mask, uint64_t expected, int32_t checkIndex, int32_t flag,
                                      uint64_t result, tStatus& status) {
  if (status.isFatal()) return;
  if (fieldWait_.announced != 0) {
    fail(st::kStatusListModeFailure, status, __LINE__);
    return;
  }
  fieldWait_ = FieldWait{1, mask, expected, static_cast<uint8_t>(checkIndex), static_cast<uint8_t>(flag), result};
}

// A recorded read cannot be answered by the hardware: it becomes the wait
// that was announced for it, and answers the value that ends the reader's
// own poll.
uint64_t Assembler::readDuringCompile(uint8_t subsystem, uint64_t address, tStatus& status) {
  if (status.isFatal()) return 0;
  const uint32_t low = static_cast<uint32_t>(address);
  if (bitWait_.announced != 0 && fieldWait_.announced != 0) {
    fail(st::kStatusBadSelector, status, __LINE__);
    return 0;
  }
  if (bitWait_.announced != 0) {
    emitWaitForBit(subsystem, low, bitWait_.timeout, bitWait_.mask, bitWait_.expected, bitWait_.flag, status);
    return bitWait_.result;
  }
  if (fieldWait_.announced != 0) {
    emitWaitForField(subsystem, low, fieldWait_.mask, fieldWait_.expected, fieldWait_.checkIndex, fieldWait_.flag,
                     status);
    return fieldWait_.result;
  }
  static constexpr vlsdbg_Location kLocation{sites::kAssembler, __LINE__, "\n"};
  vlsdbg_printf(kVlsdbgLevelError, &kLocation,
                "Fatal error: attempted read during list compile. ifw subsystem:0x%Xaddress:0x%X", subsystem, low);
  fail(codes::kReadDuringCompile, status, __LINE__);
  return 0;
}

}  // namespace listmodek::pcode
