// The timing engine's blocks on the board, reached as the driver reaches
// them: a map over the binding of a block's context and the register port;
// and a list engine driven by its command control.
#ifndef VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H
#define VL9738K_TESTS_REGMAPS_TIMING_TIMING_BLOCK_FIXTURE_H

#include <optional>

#include "driver/ifw/Context.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/CommandControl.h"
#include "driver/listmode/pcode/Assembler.h"
#include "driver/platform/status/StatusSite.h"
#include "sim/board/InstructionBlockModel.h"
#include "sim/board/ListEngineModel.h"
#include "tests/regaccess/RecordingTarget.h"
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
// `capabilities`, and an assembler that knows them.
class ListEngineOnBoard : public TimingBlockOnBoard {
 protected:
  void build(uint64_t capabilities) {
    bind(engine, 10, 0, 2404);
    engine.setCapabilities(capabilities);
    map.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    control.emplace(&*map, status);
    listmodek::ListTraits traits{};
    control->getCapabilities(traits, status);
    assembler.setCapabilities(traits);
  }

  sim::ListEngineModel engine;
  std::optional<listmodek::CommandControl::tMap> map;
  std::optional<listmodek::CommandControl> control;
  listmodek::pcode::Assembler assembler{status};
};

inline Entry wrote(uint32_t address, uint64_t value) { return Entry{false, address, value}; }

}  // namespace vltest

#endif
