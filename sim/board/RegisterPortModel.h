// The FPGA's register port as the bus sees it: a 32 KiB block at BAR 0 +
// 0xB8000, which is also the fixed-logic window's routing-register block
// (fixed-logic window at 0xA0000, routing registers at +0x18000): one piece
// of hardware at one address, so both ways reach this model.
//
// An instruction arrives as up to four words; writing word D queues it and
// clears the extension words A to C, which the driver sends only when they
// are not zero. Queued instructions complete in order, each a configurable
// latency after the previous one (0: at once; the port catches up with the
// clock whenever the bus touches it), by the subsystem model
// attached under their subsystem number; subsystem 0 is the subsystem map.
// A subsystem that leaves an instruction unanswered holds it at the head of
// the queue, and everything behind it, until the port is reset.
// Status: done once the queue is empty and the last instruction succeeded;
// error (with the error value in the read-data registers) when one failed,
// after which the port drops what is queued and takes nothing until it is
// reset; fault when a test says so or the queue overflowed. A reset takes
// a configurable time, during which the control register's busy bit reads 1.
#ifndef VL9738K_SIM_BOARD_REGISTER_PORT_MODEL_H
#define VL9738K_SIM_BOARD_REGISTER_PORT_MODEL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "Bar.h"
#include "RegisterBlock.h"
#include "SubsystemMapModel.h"
#include "SubsystemModel.h"
#include "sim/kernel/RecentLog.h"

namespace sim {

class RegisterPortModel : public RegisterBlock {
 public:
  static constexpr uint64_t kBarOffset = 0xB8000;
  static constexpr uint64_t kSize = 0x8000;
  static constexpr uint64_t kFixedLogicOffset = 0xA0000;
  static constexpr uint64_t kRoutingRegistersOffset = 0x18000;
  static_assert(kFixedLogicOffset + kRoutingRegistersOffset == kBarOffset, "one block, two names");

  enum Register : uint64_t {
    kSignature = 0x00,
    kVersion = 0x04,
    kOldestCompatibleVersion = 0x08,
    kScratch = 0x0C,
    kWordA = 0x10,
    kWordB = 0x14,
    kWordC = 0x18,
    kWordD = 0x1C,
    kReadDataHigh = 0x20,
    kReadDataLow = 0x24,
    kControl = 0x28,
    kStatus = 0x2C,
    kFreeSlots = 0x30,
  };
  static constexpr uint32_t kControlReset = 1u << 0;
  static constexpr uint32_t kControlBusy = 1u << 1;
  static constexpr uint32_t kStatusDone = 1u << 0;
  static constexpr uint32_t kStatusError = 1u << 1;
  static constexpr uint32_t kStatusWide = 1u << 2;
  static constexpr uint32_t kStatusFault = 1u << 3;

  static constexpr uint32_t kDefaultSignature = 0x78759;
  static constexpr uint32_t kDefaultFifoDepth = 16;
  static constexpr uint64_t kDefaultResetDurationNs = 5'000;
  // How many executed instructions the port keeps, so that a long run's
  // board stays bounded; a test that reads them after the port dropped the
  // oldest stops the process, since it would otherwise check a part and pass.
  static constexpr size_t kKeptInstructions = 4096;

  struct Instruction {
    uint8_t subsystem;
    uint32_t address;
    uint64_t data;
    bool isRead;
    bool reportCompletion;
    bool operator==(const Instruction&) const = default;
  };

  // Attaches itself to the BAR at kBarOffset.
  explicit RegisterPortModel(Bar& bar0);
  RegisterPortModel(const RegisterPortModel&) = delete;
  RegisterPortModel& operator=(const RegisterPortModel&) = delete;

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The model must outlive its attachment; a later one replaces it.
  void attachSubsystem(uint8_t number, SubsystemModel& model);
  // Runs `action` under the port's lock, as an instruction runs: what a
  // list engine does when released writes through the subsystems.
  template <typename tAction>
  auto locked(tAction action) {
    std::lock_guard<std::mutex> lock(mutex_);
    return action();
  }
  void detachSubsystem(uint8_t number);
  SubsystemMapModel& subsystemMap() { return subsystemMap_; }

  void setSignature(uint32_t signature);
  void setVersions(uint32_t current, uint32_t oldestCompatible);
  void setFifoDepth(uint32_t depth);
  void setInstructionLatencyNs(uint64_t ns);
  void setResetDurationNs(uint64_t ns);
  // The next `count` instructions fail with `errorValue`, whatever their
  // subsystem would have answered.
  void failNextInstructions(uint32_t errorValue, uint32_t count = 1);
  // Raises the fault bit until the next reset (or lowers it).
  void setFault(bool fault);
  // Queued instructions stop completing (and resume when set back).
  void setStalled(bool stalled);
  // A reset never finishes.
  void setResetStuck(bool stuck);

  // Every instruction that reached its subsystem since the last
  // clearExecuted, in order.
  std::vector<Instruction> executed() const;
  void clearExecuted();
  size_t queued() const;
  uint32_t resets() const;
  // Extension words A, B and C as the port holds them now.
  std::array<uint32_t, 3> extensionWords() const;
  uint32_t scratch() const;

 private:
  struct Pending {
    Instruction instruction;
    uint64_t dueNs;
  };

  uint32_t readLocked(uint64_t offset);
  void writeLocked(uint64_t offset, uint32_t value);
  void complete(uint64_t nowNs);
  void execute(const Instruction& instruction);
  void queue(uint32_t wordD);
  void reset();
  uint32_t statusWord() const;
  bool resetting(uint64_t nowNs) const;

  mutable std::mutex mutex_;
  SubsystemMapModel subsystemMap_;
  std::map<uint8_t, SubsystemModel*> subsystems_;
  uint32_t signature_ = kDefaultSignature;
  uint32_t version_ = 1;
  uint32_t oldestCompatible_ = 1;
  uint32_t scratch_ = 0;
  std::array<uint32_t, 3> extension_{};
  uint64_t readData_ = 0;
  bool wide_ = false;
  bool completedAny_ = false;
  bool error_ = false;
  bool fault_ = false;
  bool stalled_ = false;
  // A subsystem left the instruction at the head unanswered.
  bool held_ = false;
  bool resetStuck_ = false;
  uint64_t resetEndNs_ = 0;
  uint32_t resets_ = 0;
  uint32_t fifoDepth_ = kDefaultFifoDepth;
  uint64_t latencyNs_ = 0;
  uint64_t resetDurationNs_ = kDefaultResetDurationNs;
  uint32_t failValue_ = 0;
  uint32_t failCount_ = 0;
  std::deque<Pending> queue_;
  RecentLog<Instruction> executed_{kKeptInstructions};
};

}  // namespace sim

#endif
