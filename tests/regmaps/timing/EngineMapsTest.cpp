// The engines' own maps (generation, acquisition, shared) on their blocks:
// what construction leaves, the whole-map passes over every register in
// ascending order, the strobes and the narrow acquisition registers. (That a
// pass goes on past a failing register and keeps its first error is the
// engine's, shown on the timer map.)
#include <functional>
#include <memory>

#include "driver/regmaps/timing/tQRTAcquisitionRegisters.h"
#include "driver/regmaps/timing/tQRTGenerationRegisters.h"
#include "driver/regmaps/timing/tQRTSharedRegisters.h"
#include "sim/board/EngineBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using sim::EngineBlockModel;
namespace st = nVLAPALS100;

using tMapFactory =
    std::function<std::unique_ptr<arm::tRegisterMapEngine>(arm::IRegisterInstructionTarget*, uint32_t windowStart)>;

template <typename tMap>
tMapFactory factory() {
  return [](arm::IRegisterInstructionTarget* target, uint32_t windowStart) {
    return std::make_unique<tMap>(target, 0, windowStart, 0xFFFFFFFF);
  };
}

struct EngineMapCase {
  const char* name;
  EngineBlockModel::Block block;
  tMapFactory make;
  size_t writable, readable, registers;
};

class EngineMapOnBoard : public TimingBlockOnBoard, public ::testing::WithParamInterface<EngineMapCase> {
 protected:
  void SetUp() override { bind(block, 11, 0, 2402); }
  uint32_t registerId(uint32_t address) const {
    const bool writable = std::count(block.writable().begin(), block.writable().end(), address) != 0;
    return (writable ? 0x80000000u : 0xC0000000u) | address;
  }
  EngineBlockModel block{GetParam().block};
};

TEST_P(EngineMapOnBoard, ConstructionWritesNothingAndPassesReachEveryRegisterInAscendingOrder) {
  ASSERT_EQ(block.writable().size(), GetParam().writable);
  ASSERT_EQ(block.readable().size(), GetParam().readable);
  ASSERT_EQ(block.registerCount(), GetParam().registers);
  auto map = GetParam().make(&*binding, 0);
  map->flushRegMap(false, status);
  EXPECT_TRUE(model.executed().empty()) << "nothing dirty, nothing written";
  map->markDirtyRegMap();
  map->flushRegMap(false, status);
  std::vector<Entry> expected;
  for (uint32_t address : block.writable()) expected.push_back(wrote(address, 0));
  EXPECT_EQ(block.writes(), expected) << "every shadow starts at 0";
  block.clearLog();
  expected.clear();
  for (uint32_t address : block.readable()) {
    block.setValue(address, 0xFEDCBA9876543210);
    uint64_t value = 1;
    map->get(registerId(address), value, status, 0);
    EXPECT_EQ(value, 0u) << std::hex << address << ": get never reads the block";
  }
  map->refreshRegMap(status);
  for (uint32_t address : block.readable()) {
    uint64_t value = 0;
    map->get(registerId(address), value, status, 0);
    expected.push_back({true, address, value});
  }
  EXPECT_EQ(block.log(), expected) << "each read once, into its shadow, cut to the register's width";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_P(EngineMapOnBoard, AWindowThatExcludesEveryRegisterFailsEachPassWithoutAccess) {
  auto map = GetParam().make(&*binding, 0x1000);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map->flushRegMap(true, s); }), st::kStatusNotAccessible);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map->refreshRegMap(s); }), st::kStatusNotAccessible);
  EXPECT_TRUE(model.executed().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, EngineMapOnBoard,
    ::testing::Values(EngineMapCase{"Generation", EngineBlockModel::Block::kGeneration,
                                    factory<nQRTGenerationRegisters::tQRTGenerationRegisters>(), 41, 13, 54},
                      EngineMapCase{"Acquisition", EngineBlockModel::Block::kAcquisition,
                                    factory<nQRTAcquisitionRegisters::tQRTAcquisitionRegisters>(), 42, 15, 55},
                      EngineMapCase{"Shared", EngineBlockModel::Block::kShared,
                                    factory<nQRTSharedRegisters::tQRTSharedRegisters>(), 7, 5, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// The strobes leave the shadow only after a write; a narrow register keeps
// 32 bits and moves 32.
TEST(EngineMapStrobes, ClearAfterEachWriteAndNarrowRegistersCutTheirValues) {
  RecordingTarget target;
  nQRTGenerationRegisters::tQRTGenerationRegisters generation(&target, 0, 0, 0xFFFFFFFF);
  tStatus status{tStatus::kFullSize};
  generation.set(0x80000015, 0x80, status, 0);
  generation.write(0x00000015, 1, false, status, 0);
  EXPECT_EQ(generation.SendSoftwareTrigger.getValue(), 0x80u) << "bit 7 is no strobe";
  generation.write(0x0000004A, 1, false, status, 0);
  EXPECT_FALSE(generation.EventControl.isDirty());
  EXPECT_EQ(generation.EventControl.getValue(), 0u);
  nQRTAcquisitionRegisters::tQRTAcquisitionRegisters acquisition(&target, 0, 0, 0xFFFFFFFF);
  acquisition.write(0x80000016, ~0ull, true, status, 0);
  EXPECT_EQ(acquisition.SendSoftwareTrigger.getValue(), 0xFFFFFFFFFFFFFFE0u);
  acquisition.set(0x80000028, ~0ull, status, 0);
  EXPECT_EQ(acquisition.TriggerHoldoffCounterSettings.getValue(), 0xFFFFFFFFu);
  target.failures = {{22, -9}};
  acquisition.write(0x00000016, 1, false, status, 0);
  EXPECT_EQ(acquisition.SendSoftwareTrigger.getValue(), 0xFFFFFFFFFFFFFFE1u) << "a failed write clears nothing";
  EXPECT_EQ(
      target.log,
      (std::vector<RecordingTarget::Instruction>{
          {true, 64, 0x15, 0x81}, {true, 64, 0x4A, 1}, {true, 64, 22, ~0ull}, {true, 64, 22, 0xFFFFFFFFFFFFFFE1}}));
}

}  // namespace
