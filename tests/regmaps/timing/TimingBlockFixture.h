// The timing engine's blocks on the board, reached as the driver reaches
// them: a map over the binding of a block's context and the register port;
// and a list engine driven by its command control.
#ifndef VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H
#define VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H

#include <map>
#include <optional>
#include <vector>

#include "driver/ifw/Context.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/CommandControl.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/regaccess/IRegisterInstructionTarget.h"
#include "sim/board/InstructionBlockModel.h"
#include "sim/board/ListEngineModel.h"
#include "tests/regport/RegisterPortFixture.h"
#include "tests/support/StatusChecks.h"

namespace vltest {

using Entry = sim::InstructionBlockModel::Entry;

class TimingBlockOnBoard : public RegisterPortOnBoard {
 protected:
  // `blockModel` as subsystem `number`, its block at `offset`.
  void bind(sim::InstructionBlockModel& blockModel, uint8_t number, uint32_t offset, uint16_t uid) {
    model.attachSubsystem(number, blockModel);
    context.initialize(number, offset, uid, 0, 1, 1, nullptr, 0);
    openPort();
    ASSERT_EQ(status.getCode(), 0);
    binding.emplace(&*driverPort, &context, true);
  }

  vlifw::Context context;
  std::optional<vlifw::InstructionTargetMXRM> binding;
};

// A list engine with its map and command control, the engine reporting
// `capabilities`.
class ListEngineOnBoard : public TimingBlockOnBoard {
 protected:
  void build(uint64_t capabilities) {
    bind(engine, 10, 0, 2404);
    engine.setCapabilities(capabilities);
    map.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    control.emplace(&*map, status);
  }

  sim::ListEngineModel engine;
  std::optional<listmodek::CommandControl::tMap> map;
  std::optional<listmodek::CommandControl> control;
};

// A target that fails chosen addresses and logs every access (the port
// would refuse everything after a failed instruction until it is reset).
class FailingTarget : public arm::IRegisterInstructionTarget {
 public:
  uint64_t read64(uint32_t address, tStatus& status) override { return access(address, status); }
  uint32_t read32(uint32_t address, tStatus& status) override { return access(address, status); }
  void write64(uint32_t address, uint64_t value, tStatus& status) override { record(address, value, status); }
  void write32(uint32_t address, uint32_t value, tStatus& status) override { record(address, value, status); }
  void record(uint32_t address, uint64_t value, tStatus& status) {
    written.push_back({false, address, value});
    access(address, status);
  }
  uint32_t access(uint32_t address, tStatus& status) {
    log.push_back(address);
    if (failures.count(address) != 0) status.setCode(failures[address], VL_SITE);
    return 0;
  }
  std::map<uint32_t, int32_t> failures;
  std::vector<uint32_t> log;
  std::vector<Entry> written;  // every write tried, failed ones too
};

inline Entry wrote(uint32_t address, uint64_t value) { return Entry{false, address, value}; }

}  // namespace vltest

#endif
