// The timer control on a timer-event block, and the factory that finds the
// blocks in a subsystem tree and hands out their controls.
#include "driver/timing/TimerResourcesFactory.h"
#include "sim/board/PrimitiveBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using qrtifwprim::TimerControl;
namespace st = nVLAPALS100;

constexpr uint8_t kSubsystem = 13;

class TimerControlOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    model.attachSubsystem(kSubsystem, block);
    openPort();
  }
  TimerControl* lookUp(std::vector<vlifw::PathElement> elements, tStatus& s) {
    vlhtl::Vector<vlifw::PathElement> path;
    for (const auto& e : elements) path.push_back(e, s);
    return factory->getTimerControl(path, s);
  }
  sim::PrimitiveBlockModel block{sim::PrimitiveBlockModel::Block::kTimerEvent};
  vlifw::Context nodes[5];
  std::optional<qrtifwprim::TimerResourcesFactory> factory;
};

TEST_F(TimerControlOnBoard, CommandsWriteTheirRegistersAndStrobesRepeat) {
  context.initialize(kSubsystem, 0, 2405, 0, 1, 1, nullptr, 0);
  TimerControl control(&*driverPort, &context, status);
  control.setTimerSettings({{0x30, {}}, {0x20, {}}, 1, 0, 1});
  control.executeTimerCommand(1, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(4, 1), wrote(3, 0x30), wrote(2, 0x20)}));
  block.clearLog();
  control.markTimerRegistersDirty(status);
  control.setTimerSettings({{0x30, {}}, {0x20, {}}, 0, 1, 1});
  for (int32_t command : {1, 2, 3, 3}) control.executeTimerCommand(command, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(3, 0x30), wrote(2, 0x20), wrote(1, 1), wrote(1, 4), wrote(1, 4)}))
      << "dirty times go out again; command 2 is not armed";
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { control.executeTimerCommand(4, s); }), st::kStatusInvalidParameter);
}

// root -> 1699 -> {2405 (v1) -> 2405, 2405 (v2/2)}: the nested timer
// belongs to its parent, the second timer is too new.
TEST_F(TimerControlOnBoard, FactoryServesEachTopmostTimerBlockByPath) {
  nodes[3].initialize(kSubsystem, 0x40, 2405, 0, 1, 1, nullptr, 0);
  nodes[2].initialize(kSubsystem, 0x20, 2405, 1, 2, 2, nullptr, 0);
  nodes[1].initialize(kSubsystem, 0, 2405, 0, 1, 1, new vlifw::Context*[1](&nodes[3]), 1);
  nodes[4].initialize(kSubsystem, 0, 1699, 0, 1, 1, new vlifw::Context*[2](&nodes[1], &nodes[2]), 2);
  nodes[0].initialize(0, 0, 0, 0, 1, 1, new vlifw::Context*[1](&nodes[4]), 1);
  factory.emplace(&*driverPort, &nodes[0], status);
  EXPECT_EQ(codeAfter([&](tStatus& s) { lookUp({}, s); }), st::kStatusInvalidParameter);
  tStatus clean;
  EXPECT_EQ(lookUp({{1699, 0}}, clean), nullptr) << "not a timer block";
  EXPECT_EQ(lookUp({{1699, 0}, {2405, 0}, {2405, 0}}, clean), nullptr) << "below a timer block";
  EXPECT_EQ(clean.getCode(), 0);
  tStatus tooNew;
  EXPECT_EQ(lookUp({{1699, 0}, {2405, 1}}, tooNew), nullptr);
  EXPECT_EQ(tooNew.getCode(), static_cast<int32_t>(0xBFFA8187));

  TimerControl* control = lookUp({{1699, 0}, {2405, 0}}, status);
  ASSERT_NE(control, nullptr);
  control->setTimerSettings({{5, {}}, {6, {}}, 0, 0, 0});
  control->executeTimerCommand(1, status);
  block.clearLog();
  factory->markTimerRegistersDirtyForSubsystem(kSubsystem + 1, status);
  control->executeTimerCommand(1, status);
  EXPECT_TRUE(block.writes().empty()) << "another subsystem's timers only";
  EXPECT_EQ(codeAfter([&](tStatus& s) { factory->markTimerRegistersDirtyForSubsystem(kSubsystem, s); }),
            static_cast<int32_t>(0xBFFA8187))
      << "the too-new timer reports its failure";
  control->executeTimerCommand(1, status);
  EXPECT_EQ(block.writes().size(), 2u);
}

}  // namespace
