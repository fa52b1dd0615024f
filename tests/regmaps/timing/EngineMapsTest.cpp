// The engines' own maps (generation, acquisition, shared) on their blocks:
// what construction leaves, the whole-map passes over every register in
// ascending order, the strobes and the narrow acquisition registers.
#include <array>
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

TEST_P(EngineMapOnBoard, ConstructionLeavesEveryShadowZeroCleanAndUnwritten) {
  ASSERT_EQ(block.writable().size(), GetParam().writable);
  ASSERT_EQ(block.readable().size(), GetParam().readable);
  ASSERT_EQ(block.registerCount(), GetParam().registers);
  for (uint32_t address : block.readable()) block.setValue(address, 0x5A5A);
  auto map = GetParam().make(&*binding, 0);
  map->flushRegMap(false, status);
  EXPECT_TRUE(model.executed().empty()) << "nothing dirty, nothing written";
  std::vector<uint32_t> all = block.writable();
  all.insert(all.end(), block.readable().begin(), block.readable().end());
  for (uint32_t address : all) {
    uint64_t value = 1;
    map->get(registerId(address), value, status, 0);
    EXPECT_EQ(value, 0u) << std::hex << address << ": get never reads the block";
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_P(EngineMapOnBoard, PassesReachEveryRegisterInAscendingOrderWithItsOwnWidth) {
  auto map = GetParam().make(&*binding, 0);
  map->markDirtyRegMap();
  map->flushRegMap(false, status);
  std::vector<Entry> expected;
  for (uint32_t address : block.writable()) expected.push_back(wrote(address, 0));
  EXPECT_EQ(block.writes(), expected);
  block.clearLog();
  for (uint32_t address : block.readable()) block.setValue(address, 0xFEDCBA9876543210);
  map->refreshRegMap(status);
  expected.clear();
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

TEST_P(EngineMapOnBoard, AFailingRegisterStopsNoPassAndItsErrorIsTheOneKept) {
  FailingTarget target;
  auto map = GetParam().make(&target, 0);
  const uint32_t first = block.writable()[1], second = block.writable().back();
  target.failures = {{first, -7}, {second, -9}};
  map->flushRegMap(true, status);
  EXPECT_EQ(status.getCode(), -7);
  EXPECT_EQ(target.log, block.writable());
  target.log.clear();
  target.failures = {{block.readable().back(), -9}};
  tStatus refreshed{tStatus::kFullSize};
  map->refreshRegMap(refreshed);
  EXPECT_EQ(refreshed.getCode(), -9);
  EXPECT_EQ(target.log, block.readable());
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

class EngineMapsOnBoard : public TimingBlockOnBoard {
 protected:
  void attach(EngineBlockModel& model) { bind(model, 11, 0, 2402); }
};

TEST_F(EngineMapsOnBoard, GenerationStrobesLeaveTheShadowOnceWritten) {
  EngineBlockModel block{EngineBlockModel::Block::kGeneration};
  attach(block);
  nQRTGenerationRegisters::tQRTGenerationRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  uint64_t value = 1;
  map.write(0x80000015, 0x85, false, status, 0);
  map.get(0x80000015, value, status, 0);
  EXPECT_EQ(value, 0x80u) << "bit 7 is no strobe";
  map.write(0x00000015, 1, false, status, 0);
  map.write(0x0000004A, 1, false, status, 0);
  map.EventControl.flush(status, false);
  map.set(0x03000010, 0x1FFFF, status, 0);
  map.set(0x80000027, ~0ull, status, 0);
  map.flushRegMap(false, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(0x15, 0x85), wrote(0x15, 0x81), wrote(0x4A, 1),
                                                wrote(0x10, 0xFFFF000000000000), wrote(0x27, ~0ull)}));
  EXPECT_EQ(map.SendSoftwareTrigger.getValue(), 0x80u);
  EXPECT_EQ(map.EventControl.getValue(), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(EngineMapsOnBoard, AcquisitionStrobesNarrowRegistersAndFormats) {
  EngineBlockModel block{EngineBlockModel::Block::kAcquisition};
  attach(block);
  nQRTAcquisitionRegisters::tQRTAcquisitionRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.write(0x80000016, 0x1F, false, status, 0);
  map.write(0x80000016, 0x1F, false, status, 0);
  map.write(0x80000016, ~0ull, true, status, 0);
  EXPECT_EQ(map.SendSoftwareTrigger.getValue(), 0xFFFFFFFFFFFFFFE0u);
  map.set(0x80000028, ~0ull, status, 0);
  EXPECT_EQ(map.TriggerHoldoffCounterSettings.getValue(), 0xFFFFFFFFu);
  map.set(0x80000028, 0, status, 0);
  map.write(0x04000028, 0x1FF, false, status, 0);
  EXPECT_EQ(block.writes(),
            (std::vector<Entry>{wrote(22, 0x1F), wrote(22, 0x1F), wrote(22, ~0ull), wrote(40, 0xFF00)}));
  block.setValue(38, 0xABCD000000000000);
  uint64_t value = 0;
  map.read(0x43000026, value, status, 0);
  EXPECT_EQ(value, 0xABCDu);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80000014, value, s, 0); }), st::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(0x80000024, value, s, 0); }), st::kStatusInvalidParameter)
      << "read-only ids carry bit 30";
  std::array<arm::FieldType, 16> types{};
  std::array<uint64_t, 16> masks{};
  uint32_t count = 16;
  map.getRegisterFormat(0xC0000024, count, types.data(), masks.data(), status);
  ASSERT_EQ(count, 16u);
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(types[i], arm::FieldType(1));
    EXPECT_EQ(masks[i], 0xFull << (4 * i));
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(EngineMapsOnBoard, SharedHalvesAndWholeRegisterWrites) {
  EngineBlockModel block{EngineBlockModel::Block::kShared};
  attach(block);
  nQRTSharedRegisters::tQRTSharedRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.write(0x01000010, 0x1DEADBEEF, false, status, 0);
  map.write(0x80000014, ~0ull, false, status, 0);
  map.set(0x00000014, 0, status, 0);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(16, 0xDEADBEEF00000000), wrote(20, ~0ull)}));
  EXPECT_EQ(map.LowWord.getValue(), 0xFFFFFFFF00000000u);
  uint32_t count = 4;
  std::array<arm::FieldType, 4> types{};
  std::array<uint64_t, 4> masks{};
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.getRegisterFormat(0x80000007, count, types.data(), masks.data(), s); }),
            st::kStatusNotSupported);
}

}  // namespace
