// The maps of the blocks beside the engines (timer event, power regulation,
// trigger-clock generator, sync pulse, trigger synchronizer) on their
// blocks: reset state and whole-map passes, strobes, and what each refuses.
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
  std::function<std::unique_ptr<arm::tRegisterMapEngine>(arm::IRegisterInstructionTarget*)> make;
  bool dirtyAtReset;
  tAddresses flushed, refreshed;
  const char* version;
};

template <typename tMap>
auto maker() {
  return [](arm::IRegisterInstructionTarget* target) { return std::make_unique<tMap>(target, 0, 0, 0xFFFFFFFF); };
}

class PrimitiveMapOnBoard : public TimingBlockOnBoard, public ::testing::WithParamInterface<PrimitiveMapCase> {
 protected:
  void SetUp() override { bind(block, 13, 0, 2405); }
  std::vector<Entry> entries(const tAddresses& addresses, bool isRead) const {
    std::vector<Entry> out;
    for (uint32_t a : addresses) out.push_back({isRead, a, 0});
    return out;
  }
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

INSTANTIATE_TEST_SUITE_P(Maps, PrimitiveMapOnBoard,
                         ::testing::Values(PrimitiveMapCase{"TimerEvent",
                                                            Block::kTimerEvent,
                                                            maker<nQRTTimerEventRegisters::tQRTTimerEventRegisters>(),
                                                            false,
                                                            {1, 2, 3, 4},
                                                            {0},
                                                            ""},
                                           PrimitiveMapCase{
                                               "PowerRegulation",
                                               Block::kPowerRegulation,
                                               maker<vlqrtpowerregulationregmap::tQRTPowerRegulationRegisters>(),
                                               true,
                                               {1, 2, 3},
                                               {0, 3, 5, 6, 7},
                                               ""},
                                           PrimitiveMapCase{"ZelkGenerator",
                                                            Block::kZelkGenerator,
                                                            maker<basiczelkgenregmap::tBasicZelkGenRegMap>(),
                                                            true,
                                                            {0, 1, 2, 3, 4},
                                                            {0, 2, 3, 5},
                                                            "--oldestCompatibleVersion"},
                                           PrimitiveMapCase{"SyncPulse",
                                                            Block::kSyncPulseGenerator,
                                                            maker<basicsyncpulsegenregmap::tBasicSyncPulseGenRegMap>(),
                                                            true,
                                                            {0},
                                                            {},
                                                            "--oldestCompatibleVersion"},
                                           PrimitiveMapCase{"TriggerSync",
                                                            Block::kTriggerSynchronizer,
                                                            maker<basictriggersyncregmap::tBasicTriggerSyncRegMap>(),
                                                            true,
                                                            {0},
                                                            {0},
                                                            "--oldestCompatibleVersion"}),
                         [](const auto& info) { return std::string(info.param.name); });

class TimerEventMapOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    bind(block, 13, 0, 2405);
    events.emplace(&*binding, 0, 0, 0xFFFFFFFF);
  }
  sim::PrimitiveBlockModel block{Block::kTimerEvent};
  std::optional<nQRTTimerEventRegisters::tQRTTimerEventRegisters> events;
};

TEST_F(TimerEventMapOnBoard, CommandBitsLeaveTheShadowAfterEveryWrite) {
  events->write(0x10000001, 1, false, status, 0);
  events->write(0x10000001, 1, false, status, 0);
  events->write(0x80000001, ~0ull, true, status, 0);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(1, 4), wrote(1, 4), wrote(1, ~0ull)}));
  EXPECT_EQ(events->TimerCommand.getValue(), ~0ull << 3);
  block.setValue(0, 1);
  uint64_t value = 0;
  events->read(0x40000000, value, status, 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(status.getCode(), 0);
  uint32_t count = 3;
  arm::FieldType types[3];
  uint64_t masks[3];
  events->getRegisterFormat(0x80000001, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{1, 2, 4}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { events->getRegisterFormat(0x80000000, count, types, masks, s); }),
            st::kStatusNotSupported);
}

TEST_F(TimingBlockOnBoard, PowerAndTriggerClockMapsKeepTheirFieldsAndRefuseTheWrongDirection) {
  sim::PrimitiveBlockModel power{Block::kPowerRegulation}, zelk{Block::kZelkGenerator};
  bind(power, 13, 0, 1);
  vlqrtpowerregulationregmap::tQRTPowerRegulationRegisters powerMap{&*binding, 0, 0, 0xFFFFFFFF};
  powerMap.set(0x05000002, 0x1FF, status, 0);
  EXPECT_EQ(powerMap.Register2.getValue(), 0xFFull << 40);
  uint32_t count = 2;
  arm::FieldType types[3];
  uint64_t masks[3];
  EXPECT_EQ(codeAfter([&](tStatus& s) { powerMap.getRegisterFormat(0x80000002, count, types, masks, s); }),
            st::kStatusLookupFailure);
  count = 3;
  powerMap.getRegisterFormat(0x80000002, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + 3), (std::vector<uint64_t>{0xFFFFFFFF, 1ull << 32, 0xFFull << 40}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { powerMap.refresh(0x80000001, s, 0); }), st::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { powerMap.flush(0xC0000006, true, s, 0); }), st::kStatusInvalidParameter);

  model.attachSubsystem(14, zelk);
  vlifw::Context zelkContext;
  zelkContext.initialize(14, 0, 1, 0, 1, 1, nullptr, 0);
  vlifw::InstructionTargetMXRM zelkBinding(&*driverPort, &zelkContext, true);
  basiczelkgenregmap::tBasicZelkGenRegMap zelkMap{&zelkBinding, 0, 0, 0xFFFFFFFF};
  zelk.setValue(3, 0x123456789);
  zelkMap.refresh(0x80000003, status, 0);
  EXPECT_EQ(zelkMap.CoarseZelkAdjustValue.getValue(), 0x23456789u) << "a 32-bit register";
  EXPECT_EQ(codeAfter([&](tStatus& s) { zelkMap.refresh(0x80000001, s, 0); }), st::kStatusInvalidParameter);
  zelk.setValue(5, 1);
  EXPECT_TRUE(zelkMap.CoarseZelkAdjustDone.readCoarseZelkAdjustDone(status));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
