// Compiles a list for one list engine: the recorded register traffic and
// the session's own step, trigger and event instructions become p-code in
// a buffer that user mode reads back. Delays and bit-wait timeouts are
// given in the engine's time unit and stored in its ticks.
#ifndef VL9738K_LISTMODE_PCODE_ASSEMBLER_H
#define VL9738K_LISTMODE_PCODE_ASSEMBLER_H

#include <stdint.h>

#include "PcodeFormat.h"
#include "driver/listmode/ListTraits.h"
#include "driver/listmode/iListInstructionInserter.h"
#include "driver/platform/containers/Vector.h"

namespace listmodek::pcode {

class Assembler final : public iListInstructionInserter {
 public:
  // The p-code this assembler writes, and the oldest it is compatible with.
  static constexpr uint64_t kPcodeVersion = 1;
  static constexpr uint64_t kOldestCompatiblePcodeVersion = 0;
  static constexpr uint64_t kReservedWords = 4096;

  struct Buffer {
    const uint64_t* data;
    uint64_t count;  // words
  };

  // Reserves the buffer (-52000 when it cannot).
  explicit Assembler(tStatus& status);
  ~Assembler() override {}
  Assembler(const Assembler&) = delete;
  Assembler& operator=(const Assembler&) = delete;

  void setCapabilities(const ListTraits& traits) { traits_ = traits; }
  const ListTraits& getCapabilities() const { return traits_; }

  void open(tStatus& status);
  // Ends the list whatever the status holds.
  void close(tStatus& status);
  void beginStep(uint32_t step, tStatus& status);
  bool isOpen() const { return open_ != 0; }

  void emitWrite(uint8_t subsystem, uint32_t address, uint64_t value, tStatus& status) override;
  uint64_t readDuringCompile(uint8_t subsystem, uint64_t address, tStatus& status) override;
  void emitWaitForBit(uint8_t subsystem, uint32_t address, uint32_t timeout, uint64_t mask, uint64_t expected,
                      uint32_t flag, tStatus& status) override;
  void emitDelay(uint32_t time, tStatus& status) override;
  void emitWaitForField(uint8_t subsystem, uint32_t address, uint64_t mask, uint64_t expected, uint32_t checkIndex,
                        uint32_t flag, tStatus& status) override;
  void announceBitWaitRead(uint32_t timeout, uint64_t mask, uint64_t expected, int32_t flag, uint64_t result,
                           tStatus& status) override;
  void clearBitWaitRead() override { bitWait_.announced = 0; }
  void announceFieldWaitRead(uint64_t mask, uint64_t expected, int32_t checkIndex, int32_t flag, uint64_t result,
                             tStatus& status) override;
  void clearFieldWaitRead() override { fieldWait_.announced = 0; }

  void emitWaitForListTrigger(uint8_t trigger, tStatus& status);
  void emitReadyForListTrigger(uint8_t trigger, tStatus& status);
  void emitListEvent(uint8_t event, tStatus& status);

  Buffer getBuffer() const { return Buffer{buffer_.data(), buffer_.size()}; }

  // Appends one instruction to the open list (-52017 when none is).
  void appendInstruction(const Instruction& instruction, tStatus& status);

 private:
  struct BitWait {
    uint8_t announced;
    uint32_t timeout;
    uint64_t mask;
    uint64_t expected;
    uint8_t flag;
    uint64_t result;
  };
  struct FieldWait {
    uint8_t announced;
    uint64_t mask;
    uint64_t expected;
    uint8_t checkIndex;
    uint8_t flag;
    uint64_t result;
  };

  // Writes the current block's count into its header; an empty block gets
  // a filler and the count 1.
  void patchStepLength(tStatus& status);
  void checkEngineCompatibility(tStatus& status);
  // time x ticks, or -52005 when the product does not fit 32 bits.
  bool toTicks(uint32_t time, uint32_t& ticks, tStatus& status);
  // The bit a single-bit mask names, or -52005 for a mask or expected value
  // that names no single bit.
  bool bitOf(uint64_t mask, uint64_t expected, uint32_t& bit, tStatus& status);
  void fail(int64_t code, tStatus& status, uint64_t line);

  ListTraits traits_{};
  vlhtl::Vector<uint64_t> buffer_;
  uint64_t step_ = 0;
  uint64_t headerIndex_ = 0;
  uint8_t open_ = 0;
  uint8_t stepOpen_ = 0;
  BitWait bitWait_{};
  FieldWait fieldWait_{};
};

bool isPowerOfTwo(uint64_t value);
// 255 for 0.
uint8_t countTrailingZeros(uint64_t value);

}  // namespace listmodek::pcode

#endif
