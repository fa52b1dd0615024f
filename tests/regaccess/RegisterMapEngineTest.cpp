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
constexpr uint32_t kMutexReg = 0x80645987;
constexpr uint32_t kMutexRegSecondId = 0xC0645987;
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
  clearTraffic();

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

TEST_F(NameKeyedMap, ReadOnlyFieldIdIsRefusedByRegisterOperationsButReadable) {
  const uint32_t temperature = nameId("TemperatureReadback");
  const uint32_t celsius = field(temperature, 2, true);
  EXPECT_EQ(celsius & 0xFF000000u, 0x50000000u);

  map.refresh(celsius, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_STREQ(status.getFile(), "tNameKeyedSampleRegMap");
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(celsius, true, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(formatOf(map, celsius, 4).code, nVLAPALS100::kStatusNotSupported);
  EXPECT_EQ(reads() + writes(), 0u);

  board.bar0().data()[kBase + 0x208] = 0xFD;  // 0x2AFD: bits 15:2 hold 0xABF
  board.bar0().data()[kBase + 0x209] = 0x2A;
  tStatus reading;
  uint64_t value = 0;
  map.read(celsius, value, reading, 0);
  EXPECT_EQ(reading.getCode(), 0);
  EXPECT_EQ(value, 0xABFu);
  EXPECT_EQ(reads(), 1u);
  map.get(temperature, value, reading, 0);
  EXPECT_EQ(value, 0x2AFDu);
}

TEST_F(NameKeyedMap, ItemLookupIgnoresFieldBitsOfRegisterIdsOnly) {
  map.set(kSpiConfig, 0xA5, status, 0);
  uint64_t value = 0;
  map.get(kSpiConfig | 0x3F000000u, value, status, 0);
  EXPECT_EQ(value, 0xA5u);
  EXPECT_EQ(status.getCode(), 0);

  value = 7;
  map.get(field(kSpiConfig, 3), value, status, 0);  // no field starts at bit 3
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
  value = 7;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80ABCDEF, value, s, 0); }), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(reads(), 0u);
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

TEST_F(NameKeyedMap, AFlagStoresBitZeroAndReadsOneWhenAnyOfItsBitsIsSet) {
  const uint32_t eq = nameId("EqConfig");
  map.set(eq, 0xFE, status, 0);
  map.set(field(eq, 0), 6, status, 0);
  EXPECT_EQ(map.EqConfig.getValue(), 0xF1u);
  board.bar0().data()[kBase + 0x218] = 0x04;  // the hardware brought 0b0100
  map.refresh(eq, status, 0);
  uint64_t value = 0;
  map.get(field(eq, 0), value, status, 0);
  EXPECT_EQ(value, 1u);
  EXPECT_TRUE(map.EqConfig.getEnable());
  const Format format = formatOf(map, eq, 4);
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
TEST_F(NameKeyedMap, WriteOnlyBitsSurviveARefreshAndOnlyReadableFieldsAreRead) {
  const uint32_t writeView = nameId("PllControl");
  const uint32_t readView = writeView | arm::ids::kReadOnlyBit;
  EXPECT_EQ(formatOf(map, writeView, 8).masks, (std::vector<uint64_t>{0x1, 0x2, 0x4, 0x100, 0x400, 0x10000}));
  EXPECT_EQ(formatOf(map, readView, 8).masks, (std::vector<uint64_t>{0x100, 0x200, 0x10000, 0x20000}));

  map.set(writeView, 0, status, 0);
  std::memset(&board.bar0().data()[kBase + 0x210], 0xFF, 4);
  map.refresh(writeView, status, 0);
  EXPECT_EQ(map.PllControl.getValue(), 0xFFFFFFFFu & ~0x407u);
  map.set(readView, 0x407, status, 0);
  std::memset(&board.bar0().data()[kBase + 0x210], 0, 4);
  map.refresh(field(writeView, 0), status, 0);
  EXPECT_EQ(map.PllControl.getValue(), 0x407u);
  uint64_t value = 0;
  map.read(field(readView, 9, true), value, status, 0);
  map.read(field(writeView, 8), value, status, 0);
  map.flush(field(readView, 17, true), true, status, 0);
  EXPECT_EQ(status.getCode(), 0);

  for (uint32_t id : {field(writeView, 0), field(writeView, 10)}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(id, value, s, 0); }), nVLAPALS100::kStatusInvalidParameter)
        << std::hex << id;
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.set(field(readView, 9, true), 1, s, 0); }),
            nVLAPALS100::kStatusInvalidParameter);
}

TEST_F(NameKeyedMap, PrintedIdsThatDifferFromTheNameWin) {
  map.set(kMutexRegSecondId, 0x42, status, 0);
  uint64_t value = 0;
  map.get(kMutexReg, value, status, 0);
  EXPECT_EQ(value, 0x42u);
  map.flush(kMutexRegSecondId, false, status, 0);
  EXPECT_EQ(written(kBase + 0x214, 4), 0x42u);

  map.write(0x80123456, 0xFEED, true, status, 0);
  EXPECT_EQ(written(kBase + 0x300, 4), 0xFEEDu);
  EXPECT_EQ(status.getCode(), 0);
  map.get(nameId("BeyondWindow"), value, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
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

  map.write(nameId("WindowEdge"), 5, true, status, 0);
  EXPECT_EQ(written(kBase + 0xFC, 4), 5u);
  map.set(0x80123456, 0x99, status, 0);
  map.flush(0x80123456, false, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotAccessible);
  EXPECT_TRUE(map.BeyondWindow.isDirty());
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80123456, value, s, 0); }), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(value, 0x99u);
  EXPECT_EQ(writes(), 1u);
  EXPECT_EQ(reads(), 0u);
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

TEST_F(OffsetKeyedMap, SwappingTheAccessorRedirectsEveryRegister) {
  vllym::IoAccessorMappedPci other(0x10000, kBar0BusAddress + 0x3000, board.bar0().mappedAddress() + 0x3000, 0);
  map.setAccessor(&other);
  EXPECT_EQ(map.getAccessor(), &other);
  map.write(kInstruction, 0x11, false, status, 0);
  map.write(0x80000030, 0x22, false, status, 0);
  map.setAccessor(&bar0);
  map.write(kInstruction, 0x33, false, status, 0);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()),
            (std::vector<uint64_t>{0x3000 + kBase + 0x1C, 0x3000 + kBase + 0x30, kBase + 0x1C}));
}

}  // namespace
