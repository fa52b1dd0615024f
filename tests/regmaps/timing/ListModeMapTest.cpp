// The list engine's map on the board, and the id rule every timing map's
// table keeps.
#include <array>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/regmaps/timing/tQRTListModeRegisters.h"
#include "driver/regmaps/timing/tQRTPLLCounterRegisters.h"
#include "driver/regmaps/timing/tQRTSettlingTimerRegisters.h"
#include "driver/regmaps/timing/tQRTTimerRegisters.h"
#include "sim/board/ListEngineModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using vlqrtlistmoderegmap::tQRTListModeRegisters;
using L = sim::ListEngineModel;
namespace st = nVLAPALS100;

constexpr uint32_t kListOffset = 0x800;

class ListModeMapOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override { bind(engine, 10, kListOffset, 2404); }

  L engine{kListOffset};
};

TEST_F(ListModeMapOnBoard, StartsDirtySoTheFirstPassWritesEveryWritableRegisterWhole) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.set(0x01000004, 0x1FFFFFFFF, status, 0);  // Word1 takes the low 32 bits
  map.set(0x80000005, 0xFEDCBA9876543210, status, 0);
  map.flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.writes(),
            (std::vector<Entry>{
                wrote(engine.address(L::kControl), 0), wrote(engine.address(L::kListLocation), 0xFFFFFFFF00000000),
                wrote(engine.address(L::kRegister5), 0xFEDCBA9876543210), wrote(engine.address(L::kRegister6), 0)}));
  engine.clearLog();
  map.flushRegMap(false, status);
  EXPECT_TRUE(engine.log().empty());
}

TEST_F(ListModeMapOnBoard, OneBitFieldsStoreWhetherTheValueIsNonZero) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.flushRegMap(true, status);
  map.set(0x10000003, 7, status, 0);
  EXPECT_EQ(map.Control.getValue(), 0x4u);
  EXPECT_TRUE(map.Control.isDirty());
  map.Control.flush(status, false);
  map.set(0x10000003, 7, status, 0);
  EXPECT_FALSE(map.Control.isDirty()) << "an equal value changes nothing";
  map.write(0x08000003, 0x100, false, status, 0);
  EXPECT_EQ(engine.value(engine.address(L::kControl)), 0x14u);
  uint64_t value = 0;
  map.get(0x08000003, value, status, 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ListModeMapOnBoard, ServesEachOperationItsRegisters) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  engine.setValue(engine.address(L::kCapabilities), 0x2800FF3201);
  engine.setValue(engine.address(L::kProgress), 0x0000000700000003);
  uint64_t value = 0;
  map.read(0x41000000, value, status, 0);
  EXPECT_EQ(value, 0x28u);
  map.read(0x41000002, value, status, 0);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(map.Progress.getStepInProgress(), 3u);
  for (uint32_t id : {0xC0000000u, 0xC0000001u, 0xC0000002u, 0x80000003u, 0x80000004u, 0x80000005u, 0x80000006u,
                      0xC0000007u, 0xC0000008u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(id, value, s, 0); }), 0) << "get serves every register";
  }
  for (uint32_t id : {0x80000003u, 0x80000004u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.refresh(id, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(id, value, s, 0); }), st::kStatusInvalidParameter);
  }
  for (uint32_t id : {0xC0000001u, 0x40000001u, 0xC0000007u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(id, true, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.set(id, 1, s, 0); }), st::kStatusInvalidParameter);
  }
  EXPECT_STREQ(map.getVersion(), "");
}

TEST_F(ListModeMapOnBoard, RegisterFormatsListTheFieldsOfTheTable) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  std::array<arm::FieldType, 6> types{};
  std::array<uint64_t, 6> masks{};
  uint32_t count = 5;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.getRegisterFormat(0xC0000000, count, types.data(), masks.data(), s); }),
            st::kStatusLookupFailure);
  EXPECT_EQ(count, 5u);
  count = 6;
  map.getRegisterFormat(0xC0000000, count, types.data(), masks.data(), status);
  EXPECT_EQ(count, 6u);
  EXPECT_EQ(types, (std::array<arm::FieldType, 6>{arm::FieldType(0), arm::FieldType(1), arm::FieldType(1),
                                                  arm::FieldType(1), arm::FieldType(1), arm::FieldType(1)}));
  EXPECT_EQ(masks, (std::array<uint64_t, 6>{0x1, 0xF00, 0xF000, 0xFF0000, 0xFF000000, 0xFF00000000}));
  count = 6;
  map.getRegisterFormat(0x80000005, count, types.data(), masks.data(), status);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(types[0], arm::FieldType(4));
  EXPECT_EQ(masks[0], ~uint64_t{0});
  count = 6;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.getRegisterFormat(0x80000009, count, types.data(), masks.data(), s); }),
            st::kStatusNotSupported);
  EXPECT_EQ(count, 0u);
}

TEST_F(ListModeMapOnBoard, AWindowStartingAtOneLeavesRegisterZeroOutAndReadsTheRest) {
  tQRTListModeRegisters map(&*binding, 0, 1, 0xFFFFFFFF);
  // Register 5 lands where the model keeps the write-only location.
  engine.define(kListOffset + 4, sim::InstructionBlockModel::kReadWrite, true);
  map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), st::kStatusNotAccessible);
  // Register i sits at i - 1.
  EXPECT_EQ(addressesOf(engine.log(), true),
            (std::vector<uint32_t>{kListOffset + 0, kListOffset + 1, kListOffset + 4, kListOffset + 5, kListOffset + 6,
                                   kListOffset + 7}));
  uint64_t value = 5;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x40000000, value, s, 0); }), st::kStatusNotAccessible);
  EXPECT_EQ(value, 0u) << "the field of the unchanged shadow";
}

TEST_F(ListModeMapOnBoard, AFailedReadKeepsTheShadowAndItsDirtyFlag) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  engine.setValue(engine.address(L::kRegister5), 0x11);
  map.refresh(0x80000005, status, 0);
  map.set(0x80000005, 0x22, status, 0);
  engine.failAt(engine.address(L::kRegister5), sim::SubsystemModel::kGenericFailure);
  uint64_t value = 0;
  map.read(0x80000005, value, status, 0);
  EXPECT_EQ(status.getCode(), vlifw::codes::kInstructionFailed);
  EXPECT_EQ(value, 0x22u);
  EXPECT_TRUE(map.Register5.isDirty());
}

// Field ids are the register key, the 6-bit reversal of the field's lowest
// bit in bits 24-29 and the register's read-only bit; register ids carry
// bit 31 and nothing in bits 24-29.
uint32_t reverse6(uint32_t bit) {
  uint32_t reversed = 0;
  for (uint32_t i = 0; i < 6; ++i) reversed |= ((bit >> i) & 1u) << (5 - i);
  return reversed;
}

TEST(TimingMapTables, EveryIdFollowsFromItsKeyLowestBitAndReadOnlyBit) {
  for (const arm::tMapDescriptor* map :
       {&nQRTPLLCounterRegisters::tQRTPLLCounterRegisters::kDescriptor,
        &nQRTSettlingTimerRegisters::tQRTSettlingTimerRegisters::kDescriptor,
        &nQRTTimerRegisters::tQRTTimerRegisters::kDescriptor, &tQRTListModeRegisters::kDescriptor}) {
    size_t ids = 0;
    for (uint32_t slot = 0; slot < map->itemCount; ++slot) {
      const arm::tItemInfo& item = map->items[slot];
      if (item.id == arm::kNoItem) continue;
      ++ids;
      const arm::tViewInfo& view = map->views[item.view];
      const uint32_t key = map->records[item.record].offset;
      const uint32_t readOnly = (item.accepts & (arm::kAcceptsSet | arm::kAcceptsWrite)) == 0 ? 0x40000000u : 0;
      EXPECT_EQ(view.id, 0x80000000u | readOnly | key) << map->name;
      if ((item.id & 0x80000000u) != 0) continue;
      EXPECT_EQ(item.id, (reverse6(item.lowestBit) << 24) | readOnly | key) << map->name << " " << item.id;
    }
    size_t expected = map->viewCount;
    for (uint16_t v = 0; v < map->viewCount; ++v) expected += map->views[v].fieldCount;
    EXPECT_EQ(ids, expected) << map->name;
  }
}

}  // namespace
