// The maps of the small blocks beside the engines, on their blocks.
#include <functional>
#include <memory>

#include "driver/regmaps/timing/tBasicSyncPulseGenRegMap.h"
#include "driver/regmaps/timing/tBasicTriggerSyncRegMap.h"
#include "driver/regmaps/timing/tBasicZelkGenRegMap.h"
#include "driver/regmaps/timing/tQRTPowerRegulationRegisters.h"
#include "driver/regmaps/timing/tQRTTimerEventRegisters.h"
#include "sim/board/PrimitiveBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using Block = sim::PrimitiveBlockModel::Block;
namespace st = nVLAPALS100;
using tAddresses = std::vector<uint32_t>;

struct PrimitiveMapCase {
  const char* name;
  Block block;
  bool dirtyAtReset;
  tAddresses flushed, refreshed;
  const char* version;
  std::function<std::unique_ptr<arm::tRegisterMapEngine>(arm::IRegisterInstructionTarget*)> make;
};

template <typename tMap>
PrimitiveMapCase mapCase(const char* name, Block block, bool dirtyAtReset, tAddresses flushed, tAddresses refreshed,
                         const char* version) {
  return {name, block, dirtyAtReset, flushed, refreshed, version, [](arm::IRegisterInstructionTarget* target) {
            return std::make_unique<tMap>(target, 0, 0, 0xFFFFFFFF);
          }};
}

std::vector<Entry> entries(const tAddresses& addresses, bool isRead) {
  std::vector<Entry> out;
  for (uint32_t a : addresses) out.push_back({isRead, a, 0});
  return out;
}

class PrimitiveMapOnBoard : public TimingBlockOnBoard, public ::testing::WithParamInterface<PrimitiveMapCase> {
 protected:
  void SetUp() override { bind(block, 13, 0, 2405); }
  sim::PrimitiveBlockModel block{GetParam().block};
};

TEST_P(PrimitiveMapOnBoard, ResetStateVersionAndPassOrders) {
  const PrimitiveMapCase& c = GetParam();
  auto map = c.make(&*binding);
  map->flushRegMap(false, status);
  EXPECT_EQ(block.writes(), entries(c.dirtyAtReset ? c.flushed : tAddresses{}, false));
  block.clearLog();
  map->flushRegMap(true, status);
  map->refreshRegMap(status);
  std::vector<Entry> expected = entries(c.flushed, false), reads = entries(c.refreshed, true);
  expected.insert(expected.end(), reads.begin(), reads.end());
  EXPECT_EQ(block.log(), expected);
  EXPECT_STREQ(map->getVersion(), c.version);
  EXPECT_STREQ(map->getOldestCompatibleVersion(), c.version);
  EXPECT_EQ(status.getCode(), 0);
}

constexpr const char* kClockVersion = "--oldestCompatibleVersion";
INSTANTIATE_TEST_SUITE_P(
    Maps, PrimitiveMapOnBoard,
    ::testing::Values(
        mapCase<nQRTTimerEventRegisters::tQRTTimerEventRegisters>("TimerEvent", Block::kTimerEvent, false, {1, 2, 3, 4},
                                                                  {0}, ""),
        mapCase<vlqrtpowerregulationregmap::tQRTPowerRegulationRegisters>("Power", Block::kPowerRegulation, true,
                                                                          {1, 2, 3}, {0, 3, 5, 6, 7}, ""),
        mapCase<basiczelkgenregmap::tBasicZelkGenRegMap>("Zelk", Block::kZelkGenerator, true, {0, 1, 2, 3, 4},
                                                         {0, 2, 3, 5}, kClockVersion),
        mapCase<basicsyncpulsegenregmap::tBasicSyncPulseGenRegMap>("SyncPulse", Block::kSyncPulseGenerator, true, {0},
                                                                   {}, kClockVersion),
        mapCase<basictriggersyncregmap::tBasicTriggerSyncRegMap>("TriggerSync", Block::kTriggerSynchronizer, true, {0},
                                                                 {0}, kClockVersion)),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TimingBlockOnBoard, StrobesLeaveTheShadowFieldsAreCutAndWrongDirectionsAreRefused) {
  sim::PrimitiveBlockModel events{Block::kTimerEvent}, power{Block::kPowerRegulation}, zelk{Block::kZelkGenerator};
  model.attachSubsystem(14, power);
  model.attachSubsystem(15, zelk);
  bind(events, 13, 0, 2405);
  nQRTTimerEventRegisters::tQRTTimerEventRegisters eventMap{&*binding, 0, 0, 0xFFFFFFFF};
  eventMap.write(0x10000001, 1, false, status, 0);
  eventMap.write(0x10000001, 1, false, status, 0);
  eventMap.write(0x80000001, ~0ull, true, status, 0);
  EXPECT_EQ(events.writes(), (std::vector<Entry>{wrote(1, 4), wrote(1, 4), wrote(1, ~0ull)}));
  EXPECT_EQ(eventMap.TimerCommand.getValue(), ~0ull << 3);

  vlifw::Context contexts[2];
  contexts[0].initialize(14, 0, 1, 0, 1, 1, nullptr, 0);
  contexts[1].initialize(15, 0, 1, 0, 1, 1, nullptr, 0);
  vlifw::InstructionTargetMXRM powerBinding(&*driverPort, &contexts[0], true),
      zelkBinding(&*driverPort, &contexts[1], true);
  vlqrtpowerregulationregmap::tQRTPowerRegulationRegisters powerMap{&powerBinding, 0, 0, 0xFFFFFFFF};
  powerMap.set(0x05000002, 0x1FF, status, 0);
  EXPECT_EQ(powerMap.Register2.getValue(), 0xFFull << 40);
  EXPECT_EQ(codeAfter([&](tStatus& s) { powerMap.refresh(0x80000001, s, 0); }), st::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { powerMap.flush(0xC0000006, true, s, 0); }), st::kStatusInvalidParameter);

  basiczelkgenregmap::tBasicZelkGenRegMap zelkMap{&zelkBinding, 0, 0, 0xFFFFFFFF};
  zelk.setValue(3, 0x123456789);
  zelkMap.refresh(0x80000003, status, 0);
  EXPECT_EQ(zelkMap.CoarseZelkAdjustValue.getValue(), 0x23456789u) << "a 32-bit register";
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
