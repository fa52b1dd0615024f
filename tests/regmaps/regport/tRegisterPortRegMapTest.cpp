// The register-port block's map: its tables against the block's register
// table, and what each id does over the board's port block.
#include <gtest/gtest.h>

#include "driver/regmaps/regport/tRegisterPortRegMap.h"
#include "sim/board/Board.h"
#include "tests/regmaps/MapTables.h"

namespace {

using namespace vltest;
using arm::FieldType;
using nVLAPALS100::tStatus;
using sim::BusAccess;
using vlregport_regmap::tRegisterPortRegMap;
using Port = sim::RegisterPortModel;

const arm::tMapDescriptor& tables() { return tRegisterPortRegMap::kDescriptor; }

TEST(RegisterPortRegMapTables, ThirteenWordsWithTheirAccessClasses) {
  const std::vector<RecordFact> facts = recordFacts(tables());
  const std::vector<std::pair<uint32_t, std::string>> expected = {
      {0xC0000000, "R"},  {0xC0000004, "R"},  {0xC0000008, "R"}, {0x8000000C, "RW"}, {0x80000010, "W"},
      {0x80000014, "W"},  {0x80000018, "W"},  {0x8000001C, "W"}, {0xC0000020, "R"},  {0xC0000024, "R"},
      {0x80000028, "RW"}, {0xC0000028, "RW"}, {0xC000002C, "R"}, {0xC0000030, "R"}};
  ASSERT_EQ(tables().recordCount, 13u);
  ASSERT_EQ(facts.size(), expected.size());
  for (size_t i = 0; i < facts.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "view " << i);
    EXPECT_EQ(facts[i].registerId, expected[i].first);
    EXPECT_EQ(facts[i].access, expected[i].second);
    EXPECT_EQ(facts[i].offset, expected[i].first & 0xFFFFFF);
    EXPECT_EQ(facts[i].widthBits, 32u);
    EXPECT_EQ(facts[i].reset, 0u);
  }
}

TEST(RegisterPortRegMapTables, VersionsAndSettings) {
  EXPECT_STREQ(tables().settings.version, "24.0.0f91");
  EXPECT_STREQ(tables().settings.oldestCompatibleVersion, "1.0.0d0");
  EXPECT_FALSE(tables().settings.dirtyAfterReinitialize);
  EXPECT_EQ(tables().settings.oneBitRule, arm::tOneBitRule::kNonZero);
  EXPECT_STREQ(tables().settings.sourceFile, "yulCommonInfraRegmap/includes/vlregport_regmap/RegisterPortRegMap");
}

class RegisterPortRegMap : public testing::Test {
 protected:
  std::vector<BusAccess> portTraffic() const {
    std::vector<BusAccess> accesses;
    for (BusAccess access : board.bar0().traffic()) {
      access.offset -= Port::kBarOffset;
      accesses.push_back(access);
    }
    return accesses;
  }

  sim::Board board;
  vlregport::PCIRegisterAccessor accessor{board.bar0().mappedAddress() + Port::kBarOffset, Port::kSize};
  tRegisterPortRegMap map{&accessor, 0, 0, 0xFFFFFFFF};
  tStatus status{tStatus::kFullSize};
  uint32_t count = 8;
  FieldType types[8] = {};
  uint64_t masks[8] = {};
};

TEST_F(RegisterPortRegMap, WordZeroFormatListsItsFiveFields) {
  count = 4;
  map.getRegisterFormat(0x8000001C, count, types, masks, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusLookupFailure);
  tStatus fits;
  count = 5;
  map.getRegisterFormat(0x8000001C, count, types, masks, fits);
  EXPECT_EQ(fits.getCode(), 0);
  ASSERT_EQ(count, 5u);
  EXPECT_EQ(std::vector<FieldType>(types, types + 5),
            (std::vector<FieldType>{FieldType::kUpTo8Bits, FieldType::kUpTo8Bits, FieldType::kUpTo16Bits,
                                    FieldType::kBit, FieldType::kBit}));
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + 5),
            (std::vector<uint64_t>{0xF, 0xFF0, 0xFFFF000, 0x10000000, 0x20000000}));
}

TEST_F(RegisterPortRegMap, TheReadOnlyIdsOfTheControlWordReportOnlyTheBusyBit) {
  map.getRegisterFormat(0x80000028, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x1, 0x2}));
  for (uint32_t id : {0xC0000028u, 0x40000028u, 0x60000028u}) {
    count = 8;
    map.getRegisterFormat(id, count, types, masks, status);
    EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{0x2})) << std::hex << id;
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RegisterPortRegMap, TheResetBitIsAStrobe) {
  map.write(0x00000028, 1, false, status, 0);
  EXPECT_EQ(board.registerPort().resets(), 1u);
  uint64_t value = 1;
  map.get(0x80000028, value, status, 0);
  EXPECT_EQ(value, 0u);
  map.read(0xC0000028, value, status, 0);
  EXPECT_EQ(value, 0x2u);  // still busy: the reset takes a few microseconds
  EXPECT_EQ(status.getCode(), 0);
}

// Either whole id stores the word; the reset bit cannot be read back, so of
// the control word's fields only ResetBusy is read or refreshed.
TEST_F(RegisterPortRegMap, TheControlWordTakesBothWholeIdsAndReadsOnlyTheBusyBit) {
  for (uint32_t id : {0x80000028u, 0xC0000028u}) {
    map.set(id, 0xA5A50000u | (id >> 28), status, 0);
    EXPECT_EQ(map.ResetControl.getValue(), 0xA5A50000u | (id >> 28));
  }
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t id : {0x00000028u, 0x60000028u}) {
    tStatus refused;
    uint64_t value = 7;
    map.read(id, value, refused, 0);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter) << std::hex << id;
    EXPECT_EQ(value, 0u);
  }
  tStatus refused;
  map.refresh(0x00000028, refused, 0);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_TRUE(board.bar0().traffic().empty());
  map.refresh(0x20000028, status, 0);
  uint64_t busy = 0;
  map.read(0x20000028, busy, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.bar0().readCount(), 2u);
}

TEST_F(RegisterPortRegMap, WholeMapPassesVisitTheirRegistersInOrder) {
  map.refreshRegMap(status);
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), 0);
  using K = BusAccess::Kind;
  std::vector<std::pair<K, uint64_t>> seen, expected;
  for (const BusAccess& access : portTraffic()) seen.emplace_back(access.kind, access.offset);
  for (uint64_t offset : {0x00, 0x04, 0x08, 0x0C, 0x20, 0x24, 0x28, 0x2C, 0x30}) expected.emplace_back(K::Read, offset);
  for (uint64_t offset : {0x0C, 0x10, 0x14, 0x18, 0x1C, 0x28}) expected.emplace_back(K::Write, offset);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(map.Signature.getValue(), 0x78759u);
  EXPECT_EQ(map.InstructionFifoSpace.getValue(), Port::kDefaultFifoDepth);
}

}  // namespace
