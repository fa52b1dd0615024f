// The engine resources and their settling controls over the board model's
// timing engines, reached through the driver's register port.
#include <optional>

#include "driver/engines/OV3IFWResources.h"
#include "sim/board/TimingEngineSubtree.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"
#include "tests/support/RecordingInserter.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using Engine = sim::TimingEngineSubtree;
namespace st = nVLAPALS100;

class EngineResourcesOnBoard : public RegisterPortOnBoard {
 protected:
  void build(std::vector<Engine::Layout> layouts) {
    model.subsystemMap().addSubsystem(0, {sim::SubsystemMapModel::Block{.uid = sim::Board::kRootUid}});
    for (const Engine::Layout& layout : layouts) {
      engines.push_back(std::make_unique<Engine>(layout, board.bar0()));
      engines.back()->place(model);
    }
    openPort();
    resources.emplace(&*driverPort, &pollers, &*driverPort);
  }
  std::vector<Entry> writesTo(sim::InstructionBlockModel& block, uint32_t address) {
    std::vector<Entry> out;
    for (const Entry& e : block.writes()) {
      if (e.address == address) out.push_back(e);
    }
    return out;
  }
  std::vector<std::unique_ptr<Engine>> engines;
  RegisterPoller::PollerStore pollers;
  std::optional<ov3ifw::OV3IFWResources> resources;
};

TEST_F(EngineResourcesOnBoard, BothEnginesGetTheirDefaultTriggersPulseWidthsAndRestartedSettlingTimers) {
  build({Engine::generation(), Engine::acquisition()});
  Engine& generation = *engines[0];
  Engine& acquisition = *engines[1];
  EXPECT_EQ(writesTo(acquisition.block(), 69), (std::vector<Entry>{wrote(69, 0x6)}));
  EXPECT_EQ(writesTo(acquisition.block(), 128), (std::vector<Entry>{wrote(128, 0x0003000000000102)}));
  EXPECT_EQ(writesTo(acquisition.block(), 131).size(), 2u);
  EXPECT_EQ(acquisition.block().value(131), 0x0014000000140000u);
  EXPECT_EQ(writesTo(generation.block(), 144), (std::vector<Entry>{wrote(144, 0x0003000000000102)}));
  EXPECT_EQ(writesTo(generation.block(), 146).size(), 2u);
  EXPECT_EQ(generation.block().value(146), 0x0014000000140000u);
  for (Engine* engine : {&generation, &acquisition}) {
    for (unsigned timer : {1u, 2u}) EXPECT_EQ(engine->timer().value(engine->timer().settlingTimer(timer, 4)), 1u);
  }
}

TEST(EngineResources, WithoutATargetTriggerGettersFailAndSettlingGettersAnswerNullCleanly) {
  ov3ifw::OV3IFWResources resources(nullptr, nullptr, nullptr);
  EXPECT_EQ(codeAfter([&](tStatus& s) { resources.getGenerationTriggerControl(s); }),
            ov3ifw::OV3IFWResources::kNotBuilt);
  tStatus status;
  EXPECT_EQ(resources.getAcquisitionSettlingControl0(status), nullptr);
  EXPECT_EQ(status.getCode(), 0);
}

class SettlingControlOnBoard : public EngineResourcesOnBoard {
 protected:
  void SetUp() override {
    build({Engine::generation()});
    control = resources->getGenerationSettlingControl0(status);
    ASSERT_NE(control, nullptr);
    engines[0]->timer().clearLog();
  }
  sim::TimerBlockModel& timer() { return engines[0]->timer(); }
  qrtifwprim::SettlingControl* control = nullptr;
};

TEST_F(SettlingControlOnBoard, PllCountOfZeroLoadsOneAndTheEnableIsWrittenOnlyOnChange) {
  control->writePllCount(0, status);
  control->writePllCount(5, status);
  control->setEnable(true, status);
  control->setEnable(true, status);
  control->markDirty(status);
  control->setEnable(true, status);
  const uint32_t count = timer().pllCounter(0, 3), ctl = timer().settlingTimer(1, 5);
  EXPECT_EQ(timer().writes(),
            (std::vector<Entry>{wrote(count, 1), wrote(count, 5), wrote(ctl, 0x100), wrote(ctl, 0x100)}));
}

TEST_F(SettlingControlOnBoard, TheWaitIsRecordedOnlyWhileAListIsCompiled) {
  EXPECT_EQ(codeAfter([&](tStatus& s) { control->waitUntilSettled(100, -1, {}, s); }), st::kStatusNotSupported);
  EXPECT_TRUE(timer().log().empty());
  Log log;
  RecordingInserter inserter{log};
  RegisterPoller::PollerWithRedirection poller;
  pollers.setPoller(engines[0]->layout().subsystem, &poller, status);
  poller.onStartCommitSnooping(&inserter, status);
  EXPECT_TRUE(control->isAvailable(status));
  control->setEnable(true, status);
  control->waitUntilSettled(100, -1, {}, status);
  EXPECT_EQ(status.getCode(), 0);
  const std::string wait = entry("wait", 100, 0x101, 1);
  EXPECT_EQ(log, (Log{wait, "clear", wait, "clear"}));
}

// Should the list stop between the two recorded waits, the PLL counter is
// polled directly, under the request lock: for at most the settling
// ceiling, whatever the caller asked.
TEST_F(SettlingControlOnBoard, ThePllPollAfterTheListStoppedEndsAtTheSettlingCeiling) {
  Log log;
  RecordingInserter inserter{log};
  RegisterPoller::PollerWithRedirection poller;
  pollers.setPoller(engines[0]->layout().subsystem, &poller, status);
  poller.onStartCommitSnooping(&inserter, status);
  inserter.onClear = [&] { poller.onStopCommitSnooping(status); };
  control->setEnable(true, status);
  timer().setValue(timer().pllCounter(0, 1), 0);
  const uint64_t start = sim::Clock::instance().nowNs();
  control->waitUntilSettled(UINT32_MAX, -7, {}, status);
  EXPECT_EQ(status.getCode(), -7);
  const uint64_t waitedMs = (sim::Clock::instance().nowNs() - start) / 1'000'000;
  EXPECT_GE(waitedMs, cbak::SettlingGate::kCeilingMs);
  EXPECT_LT(waitedMs, cbak::SettlingGate::kCeilingMs + 100);
}

}  // namespace
