// The timing engine's blocks on the board, reached the way the driver
// reaches them: a map over the binding of a block's context and the
// register port, each access one instruction through the port to the
// block's subsystem model.
#ifndef VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H
#define VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H

#include <optional>
#include <vector>

#include "driver/ifw/Context.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "sim/board/InstructionBlockModel.h"
#include "tests/regport/RegisterPortFixture.h"
#include "tests/support/StatusChecks.h"

namespace vltest {

using Entry = sim::InstructionBlockModel::Entry;

// One block of `model` at `offset` in subsystem `number`.
class TimingBlockOnBoard : public RegisterPortOnBoard {
 protected:
  void bind(sim::InstructionBlockModel& blockModel, uint8_t number, uint32_t offset, uint16_t uid) {
    model.attachSubsystem(number, blockModel);
    context.initialize(number, offset, uid, 0, 1, 1, nullptr, 0);
    openPort();
    ASSERT_EQ(status.getCode(), 0);
    binding.emplace(&*driverPort, &context, true);
    blockModel.clearLog();
    model.clearExecuted();
  }

  // Addresses of the log's reads or writes.
  static std::vector<uint32_t> addressesOf(const std::vector<Entry>& log, bool reads) {
    std::vector<uint32_t> addresses;
    for (const Entry& entry : log) {
      if (entry.isRead == reads) addresses.push_back(entry.address);
    }
    return addresses;
  }

  vlifw::Context context;
  std::optional<vlifw::InstructionTargetMXRM> binding;
};

inline Entry wrote(uint32_t address, uint64_t value) { return Entry{false, address, value}; }

}  // namespace vltest

#endif
