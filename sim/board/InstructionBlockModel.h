// Registers of an FPGA block reached by register instructions, as a
// subsystem holds them: each declared register keeps its value, may be
// readable, writable or both, and is 32 or 64 bits wide. Every access is
// logged, the last kKeptEntries of them so that a long run's board stays
// bounded; a test that reads a log that lost its oldest entries stops the
// process, since it would otherwise check a part and pass. A test may make the next accesses to an address fail with an
// error value, or never answer (the port then waits until its caller's
// time-out). Blocks with behaviour of their own derive and react to writes
// and reads.
#ifndef VL9738K_SIM_BOARD_INSTRUCTION_BLOCK_MODEL_H
#define VL9738K_SIM_BOARD_INSTRUCTION_BLOCK_MODEL_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "SubsystemModel.h"
#include "sim/kernel/RecentLog.h"

namespace sim {

class InstructionBlockModel : public SubsystemModel {
 public:
  enum Access : uint8_t { kRead = 1, kWrite = 2, kReadWrite = 3 };
  static constexpr size_t kKeptEntries = 4096;

  struct Entry {
    bool isRead;
    uint32_t address;
    uint64_t value;  // written, or read back
    bool operator==(const Entry&) const = default;
  };

  void define(uint32_t address, Access access, bool wide, uint64_t reset = 0);
  bool defines(uint32_t address) const { return registers_.count(address) != 0; }

  uint64_t value(uint32_t address) const;
  void setValue(uint32_t address, uint64_t value);

  // Successful accesses since the last clearLog, in order.
  std::vector<Entry> log() const { return whole().kept(); }
  std::vector<Entry> writes() const;
  size_t readsOf(uint32_t address) const;
  void clearLog() { log_.clear(); }

  // The next `count` accesses to `address` fail with `errorValue`.
  void failAt(uint32_t address, uint32_t errorValue, uint32_t count = 1);
  // The next `count` accesses to `address` are never answered.
  void timeOutAt(uint32_t address, uint32_t count = 1);

  Result read(uint32_t address) override;
  Result write(uint32_t address, uint64_t data) override;

 protected:
  // What a read answers; by default the stored value.
  virtual uint64_t onRead(uint32_t address, uint64_t stored) {
    (void)address;
    return stored;
  }
  // After a write was stored.
  virtual void onWrite(uint32_t address, uint64_t value) {
    (void)address;
    (void)value;
  }

 private:
  struct Register {
    Access access;
    bool wide;
    uint64_t value;
  };
  struct Fault {
    uint32_t errorValue;
    uint32_t count;
    bool timeOut;
  };

  // The log, when it lost nothing.
  const RecentLog<Entry>& whole() const;
  // An injected fault of `address`, consumed; null when there is none.
  const Fault* takeFault(uint32_t address);

  std::map<uint32_t, Register> registers_;
  std::map<uint32_t, Fault> faults_;
  Fault taken_{};
  RecentLog<Entry> log_{kKeptEntries};
};

}  // namespace sim

#endif
