// A board whose register port block is driven through the driver's
// register port, and what the port tests share: the port's bus traffic
// with offsets inside the block, and a subsystem of plain 64-bit registers.
#ifndef VL9738K_TESTS_REGPORT_REGISTER_PORT_FIXTURE_H
#define VL9738K_TESTS_REGPORT_REGISTER_PORT_FIXTURE_H

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/regport/PCIRegisterAccessor.h"
#include "driver/regport/RegisterPort.h"
#include "sim/board/Board.h"
#include "sim/board/SubsystemModel.h"
#include "sim/kernel/Clock.h"

namespace vltest {

using nVLAPALS100::tStatus;
using sim::BusAccess;
using Port = sim::RegisterPortModel;
using vlifw::ReadInstruction;
using vlifw::WriteInstruction;
namespace codes = vlifw::codes;

constexpr uint32_t kTimeoutMs = 1000;

inline uint64_t nowMs() { return sim::Clock::instance().nowNs() / 1'000'000; }

// Registers that hold what was written; reads of unwritten ones fail.
class RamSubsystem : public sim::SubsystemModel {
 public:
  explicit RamSubsystem(bool wide = true) : wide_(wide) {}
  Result read(uint32_t address) override {
    ++reads;
    auto found = registers.find(address);
    if (found == registers.end()) return Result::failure(kNoSuchRegister);
    return Result::success(found->second, wide_);
  }
  Result write(uint32_t address, uint64_t data) override {
    registers[address] = data;
    return Result::success();
  }
  std::map<uint32_t, uint64_t> registers;
  int reads = 0;

 private:
  bool wide_;
};

class RegisterPortOnBoard : public testing::Test {
 protected:
  RegisterPortOnBoard() { startRecording(); }
  // The port's accesses, offsets counted from the start of its block.
  std::vector<BusAccess> portTraffic() const {
    std::vector<BusAccess> accesses;
    for (BusAccess access : board.bar0().traffic()) {
      if (access.offset < Port::kBarOffset || access.offset >= Port::kBarOffset + Port::kSize) continue;
      access.offset -= Port::kBarOffset;
      accesses.push_back(access);
    }
    return accesses;
  }
  std::vector<BusAccess> writesTo(uint64_t first, uint64_t last) const {
    std::vector<BusAccess> writes;
    for (const BusAccess& access : portTraffic()) {
      if (access.kind == BusAccess::Kind::Write && access.offset >= first && access.offset <= last) {
        writes.push_back(access);
      }
    }
    return writes;
  }
  // The instruction words written, in order.
  std::vector<BusAccess> wordWrites() const { return writesTo(Port::kWordA, Port::kWordD); }
  size_t readsOf(uint64_t offset) const {
    size_t count = 0;
    for (const BusAccess& access : portTraffic()) {
      count += access.kind == BusAccess::Kind::Read && access.offset == offset;
    }
    return count;
  }
  void startRecording() { board.bar0().startRecording(); }

  // Builds the driver's port over the block, as the device does.
  vlregport::RegisterPort& openPort() {
    driverPort.emplace(&accessor, status);
    return *driverPort;
  }

  // The tests build the subsystem tree they need.
  static sim::BoardOptions withoutEngines() {
    sim::BoardOptions options;
    options.timingEngines.clear();
    return options;
  }
  sim::Board board{withoutEngines()};
  Port& model = board.registerPort();
  vlregport::PCIRegisterAccessor accessor{board.bar0().mappedAddress() + Port::kBarOffset, Port::kSize};
  tStatus status{tStatus::kFullSize};
  std::optional<vlregport::RegisterPort> driverPort;
};

inline BusAccess written(uint64_t offset, uint32_t value) {
  return BusAccess{BusAccess::Kind::Write, offset, 4, value};
}

}  // namespace vltest

#endif
