// The shadow rules of the generic register-map engine, on sample maps of
// both key schemes with 8-, 16- and 32-bit records, over the board model's
// BAR 0: each case checks the answer, the shadow and the bus traffic.
#include <memory>
#include <random>

#include "RegisterMapFixture.h"
#include "driver/regaccess/RegisterMapEngine.h"
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "driver/regmaps/fpga/tDram2DP.h"
#include "tests/regaccess/maps/tNameKeyedSampleRegMap.h"
#include "tests/regaccess/maps/tOffsetKeyedSampleRegMap.h"

namespace {

using namespace vltest;
using arm::FieldType;
using nRegMapSamples::tNameKeyedSampleRegMap;
using nRegMapSamples::tOffsetKeyedSampleRegMap;

constexpr uint32_t kBase = 0x2000;
constexpr uint32_t kWholeWindow = 0xFFFFFFFF;
constexpr uint32_t kLoCardPower = 0x809CAF29;
constexpr uint32_t kSpiConfig = 0x804C7A52;
constexpr uint32_t kInstruction = 0x8000001C;

uint32_t field(uint32_t registerId, uint32_t lowestBit, bool readOnly = false) {
  return arm::ids::fieldId(registerId, lowestBit, readOnly);
}

class NameKeyedMap : public RegisterMapOnBoard {
 protected:
  tNameKeyedSampleRegMap map{&bar0, kBase, 0, kWholeWindow};
};

class OffsetKeyedMap : public RegisterMapOnBoard {
 protected:
  tOffsetKeyedSampleRegMap map{&bar0, kBase, 0, kWholeWindow};
};

// --- Lookups by hash ---------------------------------------------------------

const arm::tItemInfo* plainSearch(const arm::tMapDescriptor& d, uint32_t key) {
  for (uint32_t i = 0; i < d.itemCount; ++i) {
    if (d.items[i].id == key) return &d.items[i];
  }
  return nullptr;
}

// Every id of the map, every id with one bit flipped and seeded random
// words: the hash finds exactly what a search through all slots finds.
TEST_F(RegisterMapOnBoard, TheHashFindsWhatAPlainSearchFinds) {
  tNameKeyedSampleRegMap named(&bar0, 0, 0, kWholeWindow);
  tOffsetKeyedSampleRegMap offsets(&bar0, 0, 0, kWholeWindow);
  nDram2DP::tDram2DP arrays(&bar0, 0, 0, kWholeWindow);
  nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap core(&bar0, 0, 0, kWholeWindow);
  const uint32_t seed = testing::UnitTest::GetInstance()->random_seed();
  std::mt19937 random(seed);
  for (const arm::tRegisterMapEngine* map :
       std::vector<const arm::tRegisterMapEngine*>{&named, &offsets, &arrays, &core}) {
    const arm::tMapDescriptor& d = map->getDescriptor();
    std::vector<uint32_t> keys;
    size_t ids = 0;
    for (uint32_t i = 0; i < d.itemCount; ++i) {
      if (d.items[i].id == arm::kNoItem) continue;
      ++ids;
      for (uint32_t bit = 0; bit < 32; ++bit) keys.push_back(d.items[i].id ^ (1u << bit));
      keys.push_back(d.items[i].id);
    }
    for (int i = 0; i < 10000; ++i) keys.push_back(static_cast<uint32_t>(random()));
    for (uint32_t key : keys) {
      ASSERT_EQ(map->findItem(key), plainSearch(d, key)) << d.name << " " << std::hex << key << " seed " << seed;
    }
    EXPECT_LE(ids * 5, d.itemCount * 4u) << d.name;  // slots at most 80% full
  }
}

// --- Unchanged values cost nothing, in every kind of map ---------------------

struct UnchangedValueCase {
  const char* name;
  bool nameKeyed;
  uint32_t fieldId;
  uint64_t busOffset;
  unsigned width;
};

class UnchangedValue : public RegisterMapOnBoard, public testing::WithParamInterface<UnchangedValueCase> {};

TEST_P(UnchangedValue, SetToTheCurrentValueLeavesTheRegisterCleanAndFlushWritesNothing) {
  const UnchangedValueCase& c = GetParam();
  std::unique_ptr<arm::tRegisterMapInterface> map;
  if (c.nameKeyed) {
    map = std::make_unique<tNameKeyedSampleRegMap>(&bar0, kBase, 0, kWholeWindow);
  } else {
    map = std::make_unique<tOffsetKeyedSampleRegMap>(&bar0, kBase, 0, kWholeWindow);
  }
  map->flushRegMap(true, status);
  startRecording();

  uint64_t value = 0;
  map->get(c.fieldId, value, status, 0);
  map->set(c.fieldId, value, status, 0);
  map->flush(c.fieldId, false, status, 0);
  map->write(c.fieldId, value, false, status, 0);
  map->flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);

  map->write(c.fieldId, value, true, status, 0);
  ASSERT_EQ(writes(), 1u);
  EXPECT_EQ(board.bar0().traffic()[0].offset, c.busOffset);
  EXPECT_EQ(board.bar0().traffic()[0].width, c.width);

  map->set(c.fieldId, value + 1, status, 0);
  map->flushRegMap(false, status);
  map->flushRegMap(false, status);
  EXPECT_EQ(writes(), 2u);
  EXPECT_EQ(status.getCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKindOfRecord, UnchangedValue,
    testing::Values(UnchangedValueCase{"NameKeyed32", true, field(kLoCardPower, 4), kBase + 0x200, 4},
                    UnchangedValueCase{"OffsetKeyed32", false, field(kInstruction, 4), kBase + 0x1C, 4},
                    UnchangedValueCase{"OffsetKeyed8", false, field(0x80000030, 1), kBase + 0x30, 1},
                    UnchangedValueCase{"OffsetKeyed16", false, field(0x80000032, 0), kBase + 0x32, 2}),
    [](const testing::TestParamInfo<UnchangedValueCase>& info) { return std::string(info.param.name); });

// --- Lookups ----------------------------------------------------------------

// TemperatureReadback's Celsius field (bits 15:2) under its read-only
// field id; the hardware's 0x2AFD holds 0xABF there.
TEST_F(NameKeyedMap, ReadOnlyFieldIdIsRefusedByRegisterOperationsButReadable) {
  const uint32_t celsius = field(nameId("TemperatureReadback"), 2, true);
  ASSERT_EQ(celsius, 0x50972392u);
  map.flush(celsius, true, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_STREQ(status.getFile(), "tNameKeyedSampleRegMap");
  EXPECT_EQ(formatOf(map, celsius, 4).code, nVLAPALS100::kStatusNotSupported);
  runScript(map, "R 50972392 !5; f 50972392 !5; r 50972392 =ABF R@208:2AFD; g 80972392 =2AFD", kBase);
}

// SpiConfig (0x804C7A52) has no field at bit 3 (id 0x304C7A52).
TEST_F(NameKeyedMap, ItemLookupIgnoresFieldBitsOfRegisterIdsOnly) {
  runScript(map, "s 804C7A52 A5; g BF4C7A52 =A5; g 304C7A52 !5; r 80ABCDEF !5", kBase);
}

// --- Field rules ----------------------------------------------------------------

struct FieldRuleCase {
  const char* name;
  bool nameKeyed;
  uint32_t fieldId;
  uint64_t value;
  uint64_t stored;  // the field's value afterwards
};

class FieldRule : public RegisterMapOnBoard, public testing::WithParamInterface<FieldRuleCase> {};

TEST_P(FieldRule, SetStoresWhatTheFieldsRuleGives) {
  const FieldRuleCase& c = GetParam();
  tNameKeyedSampleRegMap named(&bar0, kBase, 0, kWholeWindow);
  tOffsetKeyedSampleRegMap offsets(&bar0, kBase, 0, kWholeWindow);
  arm::tRegisterMapInterface& map = c.nameKeyed ? static_cast<arm::tRegisterMapInterface&>(named) : offsets;
  uint64_t value = 99;
  map.set(c.fieldId, c.value, status, 0);
  map.get(c.fieldId, value, status, 0);
  EXPECT_EQ(value, c.stored);
  EXPECT_EQ(status.getCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    OneBitAndFlagFields, FieldRule,
    testing::Values(FieldRuleCase{"NonZeroSetsABit", true, field(kLoCardPower, 0), 0x100000000ull, 1},
                    FieldRuleCase{"WiderFieldsAreCut", true, field(kLoCardPower, 4), 0x1F, 0xF},
                    FieldRuleCase{"MapRuleNonZero", false, field(kInstruction, 28), 2, 1},
                    FieldRuleCase{"FieldRuleLowestBitClears", false, field(kInstruction, 29), 2, 0},
                    FieldRuleCase{"FieldRuleLowestBitSets", false, field(kInstruction, 29), 3, 1},
                    FieldRuleCase{"FlagStoresZero", true, field(nameId("EqConfig"), 0), 0, 0}),
    [](const testing::TestParamInfo<FieldRuleCase>& info) { return std::string(info.param.name); });

// EqConfig (0x80A44396): the hardware brings 0b0100 in the flag's bits.
TEST_F(NameKeyedMap, AFlagStoresBitZeroAndReadsOneWhenAnyOfItsBitsIsSet) {
  runScript(map, "s 80A44396 FE; s 00A44396 6; g 80A44396 =F1; R 80A44396 R@218:4; g 00A44396 =1", kBase);
  EXPECT_TRUE(map.EqConfig.getEnable());
  const Format format = formatOf(map, 0x80A44396, 4);
  EXPECT_EQ(format.types, (std::vector<FieldType>{FieldType::kUpTo8Bits, FieldType::kUpTo8Bits}));
  EXPECT_EQ(format.masks[0], 0xFu);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(NameKeyedMap, AnErrorHeldOnEntryChangesNothing) {
  status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE);
  uint64_t value = 1234;
  map.get(kSpiConfig, value, status, 0);
  map.read(kSpiConfig, value, status, 0);
  EXPECT_EQ(value, 1234u);
  map.set(kSpiConfig, 1, status, 0);
  map.write(kSpiConfig, 2, true, status, 0);
  map.flush(kSpiConfig, true, status, 0);
  map.refresh(kSpiConfig, status, 0);
  map.flushRegMap(true, status);
  map.refreshRegMap(status);
  uint32_t count = 0;
  map.getRegisterFormat(0x80ABCDEF, count, nullptr, nullptr, status);
  map.SpiConfig.setMode(true, status).writeBits3_0(3, status, true);
  EXPECT_EQ(map.SpiConfig.getValue(), 0x18u);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusTimeout);
  EXPECT_EQ(reads() + writes(), 0u);
}

// --- Formats ----------------------------------------------------------------

// The write view's write-only bits cannot be read back: a refresh keeps
// them, read refuses their ids. The second id's format shows what reads.
// PllControl: write view 0x8087E3D3, read view 0xC087E3D3; field ids
// 0x0087E3D3 (bit 0), 0x0487E3D3 (8), 0x1487E3D3 (10), 0x6487E3D3 (9,
// read-only), 0x6287E3D3 (17, read-only).
TEST_F(NameKeyedMap, WriteOnlyBitsSurviveARefreshAndOnlyReadableFieldsAreRead) {
  const uint32_t writeView = nameId("PllControl");
  ASSERT_EQ(field(writeView, 10), 0x1487E3D3u);
  EXPECT_EQ(formatOf(map, writeView, 8).masks, (std::vector<uint64_t>{0x1, 0x2, 0x4, 0x100, 0x400, 0x10000}));
  EXPECT_EQ(formatOf(map, writeView | arm::ids::kReadOnlyBit, 8).masks,
            (std::vector<uint64_t>{0x100, 0x200, 0x10000, 0x20000}));
  runScript(map,
            "s 8087E3D3 0; R 8087E3D3 R@210:FFFFFFFF; g 8087E3D3 =FFFFFBF8; s C087E3D3 407; R 0087E3D3 R@210:0; "
            "g 8087E3D3 =407; r 6487E3D3 R@210:0; r 0487E3D3 R@210:0; r 0087E3D3 !5; r 1487E3D3 !5; s 6487E3D3 1 !5",
            kBase);
  map.flush(0x6287E3D3, true, status, 0);
  EXPECT_EQ(status.getCode(), 0);
}

// MutexReg's second id is 0xC0645987; BeyondWindow's printed id is
// 0x80123456, the CRC-32 of its name 0x809AB26A.
TEST_F(NameKeyedMap, PrintedIdsThatDifferFromTheNameWin) {
  runScript(map, "s C0645987 42; g 80645987 =42; f C0645987 W@214:42; W 80123456 FEED W@300:FEED; g 809AB26A !5",
            kBase);
}

// --- Window -----------------------------------------------------------------

class NameKeyedMapInAWindow : public RegisterMapOnBoard {
 protected:
  tNameKeyedSampleRegMap map{&bar0, kBase, 0x200, 0x100};
};

TEST_F(NameKeyedMapInAWindow, RegistersOutsideTheWindowAreNotAccessible) {
  EXPECT_TRUE(map.WindowEdge.isAccessible());
  EXPECT_EQ(map.WindowEdge.getRegisterAddress(), kBase + 0xFC);
  EXPECT_FALSE(map.BeyondWindow.isAccessible());
  runScript(map, "W 803A3AD3 5 W@FC:5; s 80123456 99; f 80123456 !6; r 80123456 =99 !6", kBase);  // WindowEdge first
  EXPECT_TRUE(map.BeyondWindow.isDirty());
}

TEST_F(NameKeyedMapInAWindow, FlushRegMapWritesEveryOtherRegisterPastAnInaccessibleOne) {
  map.flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()),
            (std::vector<uint64_t>{kBase + 0x0, kBase + 0x4, kBase + 0xC, kBase + 0x10, kBase + 0x14, kBase + 0x18,
                                   kBase + 0xFC}));
  EXPECT_TRUE(map.BeyondWindow.isDirty());
  EXPECT_FALSE(map.WindowEdge.isDirty());
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.refreshRegMap(s); }), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(reads(), 7u);
}

// --- Strobes, widths, nested classes ----------------------------------------

TEST_F(OffsetKeyedMap, NarrowRegistersKeepAndWriteTheirOwnWidth) {
  map.write(0x80000030, 0x1FF, false, status, 0);
  map.write(0x80000032, 0x12AAAA, false, status, 0);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, kBase + 0x30, 1, 0xFF},
                                                            {BusAccess::Kind::Write, kBase + 0x32, 2, 0xAAAA}}));
  uint64_t value = 0;
  map.get(0x80000030, value, status, 0);
  EXPECT_EQ(value, 0xFFu);
  board.bar0().data()[kBase + 0x33] = 0x5C;
  map.read(0x80000032, value, status, 0);
  EXPECT_EQ(value, 0x5CAAu);
  EXPECT_EQ(board.bar0().traffic().back(), (BusAccess{BusAccess::Kind::Read, kBase + 0x32, 2, 0x5CAA}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(OffsetKeyedMap, NestedClassesChainTypedSettersAndWriteOnce) {
  map.Instruction.setSubsystem(0x3, status).setOperation(0x21, status).setAddress(0xBEEF, status).setLast(true, status);
  EXPECT_TRUE(map.Instruction.isDirty());
  map.Instruction.flush(status, false);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, kBase + 0x1C, 4, 0x2BEEF213}}));
  EXPECT_EQ(map.Instruction.getAddress(), 0xBEEFu);  // the field, not the record's bus address

  board.bar0().data()[kBase + 0x1C] = 0x14;
  EXPECT_EQ(map.Instruction.readRegister(status), 0x2BEEF214u);
  EXPECT_EQ(map.Instruction.getSubsystem(), 0x4);
  EXPECT_FALSE(map.Instruction.isDirty());
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
