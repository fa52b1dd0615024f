// The acquisition engine's trigger control on its block and, when it has
// one, the shared block: what construction writes, which register each id
// reaches, the version-dependent holdoff counters, and widths of the shared
// block that go nowhere without it.
#include <functional>

#include "driver/timing/AcqTriggerControl.h"
#include "sim/board/EngineBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using qrtifwprim::AcqTriggerControl;
using sim::EngineBlockModel;
namespace st = nVLAPALS100;

constexpr trigki::TriggerConfiguration kDefaultTrigger{2, 1, 0, 3, 0};
constexpr vlfxptype::Configuration kPulseWidthFormat{0, 32, 16};
constexpr vlfxptype::Number kTwenty{0x140000, kPulseWidthFormat};

class AcqTriggerControlOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    model.attachSubsystem(12, shared);
    sharedContext.initialize(12, 0, 2404, 0, 1, 1, nullptr, 0);
    bind(block, 11, 0, 2403);
    map.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    sharedBinding.emplace(&*driverPort, &sharedContext, true);
    sharedMap.emplace(&*sharedBinding, 0, 0, 0xFFFFFFFF);
  }
  AcqTriggerControl& build(bool withShared, uint16_t version = 2) {
    control.emplace(&*map, withShared ? &*sharedMap : nullptr, version, status);
    return *control;
  }
  EngineBlockModel block{EngineBlockModel::Block::kAcquisition};
  EngineBlockModel shared{EngineBlockModel::Block::kShared};
  vlifw::Context sharedContext;
  std::optional<vlifw::InstructionTargetMXRM> sharedBinding;
  std::optional<AcqTriggerControl::tMap> map;
  std::optional<AcqTriggerControl::tSharedMap> sharedMap;
  std::optional<AcqTriggerControl> control;
};

// (The start-up words of register 69 and trigger 1 and the default pulse
// widths are the engine resources' case.)
TEST_F(AcqTriggerControlOnBoard, WithoutASharedBlockItsPulseWidthsGoNowhereAndReportNothing) {
  AcqTriggerControl& c = build(false);
  block.clearLog();
  for (int32_t id = -117; id <= -110; ++id) c.setMinExportPulseWidth(id, kTwenty, status);
  EXPECT_TRUE(block.log().empty() && shared.log().empty());
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(AcqTriggerControlOnBoard, TriggerIdsReachTheirRegistersAndTriggerFiveTakesTwoKinds) {
  AcqTriggerControl& c = build(false);
  const uint32_t registers[] = {16, 18, 17, 128, 129};
  for (int32_t id = -1; id >= -5; --id) {
    block.clearLog();
    c.configureTrigger(id, {id == -5 ? 2u : 0x102u, 3, 1, 5, 99}, status);
    EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(registers[-id - 1], 0x0005000000000502)})) << id;
  }
  block.clearLog();
  EXPECT_EQ(codeAfter([&](tStatus& s) { c.configureTrigger(-5, {1, 0, 0, 0, 0}, s); }), st::kStatusInvalidParameter);
  for (int32_t id : {0, -6, 1}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { c.configureTrigger(id, kDefaultTrigger, s); }), st::kStatusInvalidParameter);
  }
  EXPECT_TRUE(block.log().empty());
  c.configureTrigger(-5, {0, 0, 0, 0, 0}, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(129, 0)}));
}

TEST_F(AcqTriggerControlOnBoard, SoftwareTriggersStrobeTheirBitOfRegister22) {
  AcqTriggerControl& c = build(false);
  block.clearLog();
  for (int32_t id = -1; id >= -5; --id) c.sendSoftwareTrigger(id, status);
  EXPECT_EQ(block.writes(),
            (std::vector<Entry>{wrote(22, 1), wrote(22, 4), wrote(22, 2), wrote(22, 8), wrote(22, 16)}));
  EXPECT_EQ(map->SendSoftwareTrigger.getValue(), 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { c.sendSoftwareTrigger(-6, s); }), st::kStatusInvalidParameter);
}

TEST_F(AcqTriggerControlOnBoard, WithASharedBlockConstructionSetsItsLowWordAndPulseWidthsReachBothBlocks) {
  struct Slot {
    int32_t id;
    bool inShared;
    uint32_t address;
    bool high;
  };
  const Slot slots[] = {
      {-1, false, 23, false},  {-2, false, 25, false},   {-3, false, 24, false},    {-4, false, 131, false},
      {-101, false, 23, true}, {-102, false, 24, true},  {-103, false, 25, true},   {-104, false, 26, false},
      {-105, false, 26, true}, {-106, false, 131, true}, {-107, false, 132, false}, {-110, true, 16, false},
      {-111, true, 16, true},  {-112, true, 17, false},  {-113, true, 17, true},    {-114, true, 18, false},
      {-115, true, 18, true},  {-116, true, 19, false},  {-117, true, 19, true}};
  sharedMap->LowWord.setValue(0x7700000000, status);
  AcqTriggerControl& c = build(true);
  EXPECT_EQ(shared.writes(), (std::vector<Entry>{wrote(20, 0x7700000008)})) << "construction keeps its high half";
  for (const Slot& slot : slots) {
    EngineBlockModel& target = slot.inShared ? shared : block;
    block.clearLog();
    shared.clearLog();
    const uint64_t before = target.value(slot.address);
    const uint64_t half = 0xABCD0000u - slot.id;
    c.setMinExportPulseWidth(slot.id, {0x100000000 + half, kPulseWidthFormat}, status);
    const uint64_t expected = slot.high ? (before & 0xFFFFFFFF) | half << 32 : (before & ~0xFFFFFFFFull) | half;
    EXPECT_EQ(target.writes(), (std::vector<Entry>{wrote(slot.address, expected)})) << slot.id;
    EXPECT_EQ(block.writes().size() + shared.writes().size(), 1u) << slot.id;
  }
  for (int32_t id : {-108, -109, -118, 0, -5}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { c.setMinExportPulseWidth(id, kTwenty, s); }), st::kStatusInvalidParameter);
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(AcqTriggerControlOnBoard, HoldoffCountersFromVersionThreeOn) {
  for (uint16_t version : {2, 3}) {
    AcqTriggerControl& c = build(false, version);
    block.clearLog();
    map->markDirtyRegMap();
    uint32_t support = 0;
    c.getHoldoffCounterSupport(support, status);
    EXPECT_EQ(support, version < 3 ? 1u : 2u);
    c.setTriggerHoldoffSettings({0x1111, 2, 0x2222, 1}, status);
    std::vector<Entry> expected{wrote(20, 0x1111), wrote(21, 0x2222)};
    if (version == 3) expected.push_back(wrote(40, 0x0102));
    EXPECT_EQ(block.writes(), expected) << version;
    block.clearLog();
    const auto code = codeAfter([&](tStatus& s) { c.setTriggerHoldoffSettings({0x1111, 3, 0x2222, 0}, s); });
    EXPECT_EQ(code, version < 3 ? 0 : int64_t{st::kStatusInvalidParameter});
    EXPECT_TRUE(block.log().empty()) << "unchanged holdoffs, and no counter mode 3";
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(AcqTriggerControlOnBoard, EnablesFlagDelayAndOptionBit) {
  AcqTriggerControl& c = build(false);
  c.setTriggerEnabled(-2, true, status);
  c.setTriggerEnabled(-3, true, status);
  c.setTriggerEnabled(-1, false, status);
  c.setTriggerFlag(-2, true, status);
  c.setTriggerDelay(-2, 0x123456789, status);
  c.setOptionBit(true, status);
  c.setTriggerHoldoffs(5, 6, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(69, 6), wrote(69, 2), wrote(69, 0), wrote(69, 1), wrote(27, 1),
                                                wrote(28, 0x123456789), wrote(130, 1), wrote(20, 5), wrote(21, 6)}));
  block.clearLog();
  const std::function<void(tStatus&)> refused[] = {
      [&](tStatus& s) { c.setTriggerEnabled(-4, true, s); }, [&](tStatus& s) { c.setTriggerFlag(-1, true, s); },
      [&](tStatus& s) { c.setTriggerDelay(-1, 1, s); }, [&](tStatus& s) { c.setRFBlankingMarkerMask(1, s); },
      [&](tStatus& s) { c.setRFBlankingDelay(1, s); }};
  for (const auto& call : refused) EXPECT_EQ(codeAfter(call), st::kStatusInvalidParameter);
  EXPECT_TRUE(block.log().empty());
  c.markRegistersDirty(status);
  map->flushRegMap(false, status);
  EXPECT_EQ(block.writes().size(), 18u) << "every register the control owns, and no software trigger";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(AcqTriggerControlOnBoard, ARegisterOutsideTheWindowIsNotAccessibleAndStaysDirty) {
  AcqTriggerControl::tMap narrow(&*binding, 0, 0, 100);
  tStatus built{tStatus::kFullSize};
  AcqTriggerControl outside(&narrow, nullptr, 2, built);
  EXPECT_EQ(built.getCode(), 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { outside.configureTrigger(-4, kDefaultTrigger, s); }), st::kStatusNotAccessible);
  EXPECT_TRUE(narrow.AcqTriggerControl128.isDirty());
  EXPECT_EQ(narrow.AcqTriggerControl128.getValue(), 0x0003000000000102u);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(69, 6)}));
  AcqTriggerControl::tSharedMap noShared(&*sharedBinding, 0, 0x100, 1);
  EXPECT_EQ(codeAfter([&](tStatus& s) { AcqTriggerControl(&*map, &noShared, 2, s); }), st::kStatusNotAccessible);
  EXPECT_TRUE(shared.log().empty());
}

}  // namespace
