// The list engine's program: 16-byte instructions, an operand word then a
// header word (address in bits 0-31, subsystem in 32-39, flags in 40-47,
// opcode in 48-63), grouped in blocks each headed by a step header whose
// operand holds the block's instruction count (low half) and step number
// (high half).
#ifndef VL9738K_LISTMODE_PCODE_PCODEFORMAT_H
#define VL9738K_LISTMODE_PCODE_PCODEFORMAT_H

#include <stdint.h>

namespace listmodek::pcode {

enum Opcode : uint16_t {
  kStepHeader = 0,  // flags 1: the filler of an empty block
  kDelay = 1,
  kWriteRegister = 2,
  kWaitForBit = 3,
  kWaitForListTrigger = 4,
  kGenerateListEvent = 5,
  kWaitForField = 6,
  kReadyForListTrigger = 7,
};

struct Instruction {
  uint64_t operand;
  uint64_t header;
};
static_assert(sizeof(Instruction) == 16, "an instruction is two words");

inline constexpr uint64_t kFlagBit = 1;  // the only flag an instruction carries
// Bits 40-47 of a bit wait's operand: a constant of the engine.
inline constexpr uint64_t kBitWaitKind = 3;
inline constexpr uint64_t kTriggerWaitBit = uint64_t{1} << 39;

constexpr uint64_t header(Opcode opcode, uint64_t flags, uint8_t subsystem = 0, uint32_t address = 0) {
  return uint64_t{opcode} << 48 | (flags & 0xFF) << 40 | uint64_t{subsystem} << 32 | address;
}

constexpr Opcode opcodeOf(uint64_t header) { return static_cast<Opcode>(header >> 48); }
constexpr uint8_t flagsOf(uint64_t header) { return static_cast<uint8_t>(header >> 40); }
constexpr uint8_t subsystemOf(uint64_t header) { return static_cast<uint8_t>(header >> 32); }
constexpr uint32_t addressOf(uint64_t header) { return static_cast<uint32_t>(header); }

inline constexpr Instruction kFiller{0, header(kStepHeader, kFlagBit)};

constexpr uint64_t stepOperand(uint32_t step, uint32_t count) { return uint64_t{step} << 32 | count; }
constexpr uint64_t bitWaitOperand(uint32_t ticks, uint32_t bit, bool expected) {
  return ticks | uint64_t{bit & 63} << 32 | uint64_t{expected} << 38 | kBitWaitKind << 40;
}
constexpr uint64_t fieldWaitOperand(uint32_t bit, bool expected, uint32_t checkIndex) {
  return (bit & 63) | uint64_t{expected} << 6 | uint64_t{checkIndex & 31} << 7;
}
constexpr uint64_t numberOperand(uint8_t number) { return uint64_t{number & 15u} << 32; }

}  // namespace listmodek::pcode

#endif
