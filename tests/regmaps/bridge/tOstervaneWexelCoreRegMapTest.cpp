// The bridge chip's core register map: its generated tables against the
// chip's register table, and its behaviour over the board model's BAR 0.
#include <string>

#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/regmaps/MapTables.h"

namespace {

using namespace vltest;
using arm::FieldType;
using nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap;

// The chip's register table: offset, width and access of every register,
// in table order.
struct Row {
  uint32_t offset;
  unsigned width;
  const char* access;
};
const std::vector<Row> kDatasheet = {
    {0x00, 32, "R"},   {0x04, 32, "R"},   {0x08, 32, "R"},  {0x0C, 32, "R"},   {0x10, 32, "R"},   {0x14, 32, "R"},
    {0x18, 32, "R"},   {0x1C, 32, "R"},   {0x20, 32, "R"},  {0x24, 32, "R"},   {0x30, 32, "R"},   {0x34, 32, "R"},
    {0x58, 32, "W"},   {0x5C, 32, "RW"},  {0x60, 32, "R"},  {0x68, 32, "R"},   {0x70, 32, "R"},   {0x74, 32, "RW"},
    {0x78, 32, "RW"},  {0x7C, 32, "R"},   {0x80, 32, "R"},  {0x84, 32, "R"},   {0x88, 8, "R"},    {0x89, 8, "RW"},
    {0x90, 32, "RW"},  {0x94, 32, "R"},   {0x9C, 32, "RW"}, {0xA0, 32, "R"},   {0xA4, 32, "RW"},  {0xA8, 8, "R"},
    {0xA9, 8, "RW"},   {0xB0, 32, "RW"},  {0xB4, 32, "RW"}, {0xB8, 32, "RW"},  {0xBC, 32, "R"},   {0xC0, 32, "RW"},
    {0xC4, 32, "RW"},  {0xC8, 32, "RW"},  {0xCC, 32, "RW"}, {0xD0, 32, "RW"},  {0xD4, 32, "RW"},  {0xD8, 32, "RW"},
    {0xDC, 32, "RW"},  {0xE0, 32, "RW"},  {0xE4, 32, "RW"}, {0xE8, 32, "RW"},  {0xEC, 32, "RW"},  {0xF0, 32, "RW"},
    {0xF4, 32, "RW"},  {0xF8, 32, "RW"},  {0xFC, 32, "RW"}, {0x100, 32, "RW"}, {0x104, 32, "RW"}, {0x180, 32, "RW"},
    {0x184, 32, "RW"}, {0x300, 32, "RW"},
};

bool readOnly(const Row& row) { return std::string(row.access) == "R"; }

// Offsets of the writable registers, in table order.
std::vector<uint64_t> writableOffsets() {
  std::vector<uint64_t> offsets;
  for (const Row& row : kDatasheet) {
    if (!readOnly(row)) offsets.push_back(row.offset);
  }
  return offsets;
}

const arm::tMapDescriptor& tables() { return tOstervaneWexelCoreRegMap::kDescriptor; }

TEST(WexelCoreRegMapTables, RecordsFollowTheDatasheetTableInOrder) {
  const std::vector<RecordFact> facts = recordFacts(tables());
  ASSERT_EQ(tables().recordCount, 56u);
  ASSERT_EQ(facts.size(), kDatasheet.size());
  for (size_t i = 0; i < facts.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "record " << i << " at 0x" << std::hex << kDatasheet[i].offset);
    EXPECT_EQ(facts[i].offset, kDatasheet[i].offset);
    EXPECT_EQ(facts[i].widthBits, kDatasheet[i].width);
    EXPECT_EQ(facts[i].access, kDatasheet[i].access);
    EXPECT_EQ(facts[i].reset, 0u);
    EXPECT_EQ(facts[i].registerId, (readOnly(kDatasheet[i]) ? 0xC0000000u : 0x80000000u) | kDatasheet[i].offset);
  }
}

TEST(WexelCoreRegMapTables, RefreshVisitsEveryReadableRegisterInTableOrder) {
  const std::vector<uint32_t> refresh = passOffsets(tables(), tables().refreshOrder, tables().refreshStepCount);
  std::vector<uint32_t> readable;
  for (const Row& row : kDatasheet) {
    if (row.offset != 0x58) readable.push_back(row.offset);
  }
  EXPECT_EQ(refresh, readable);
  EXPECT_EQ(tables().childCount, 0u);
}

TEST(WexelCoreRegMapTables, SettingsAreThoseOfTheOffsetKeyedBridgeMaps) {
  EXPECT_FALSE(tables().settings.dirtyAfterReinitialize);
  EXPECT_STREQ(tables().settings.version, "1.0.0d0");
  EXPECT_STREQ(tables().settings.oldestCompatibleVersion, "1.0.0d0");
  EXPECT_STREQ(tables().settings.sourceFile, "tOstervaneWexelCoreRegMap");
}

class WexelCoreRegMap : public RegisterMapOnBoard {
 protected:
  tOstervaneWexelCoreRegMap map{&bar0, 0, 0, 0xFFFFFFFF};
  uint32_t count = 16;
  FieldType types[16] = {};
  uint64_t masks[16] = {};
};

TEST_F(WexelCoreRegMap, FieldCountsAreThoseOfTheDatasheet) {
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {
      {0x8000005C, 13}, {0xC0000060, 9}, {0xC0000068, 9}, {0x800000A4, 9}, {0xC000000C, 8}};
  for (const auto& [id, fields] : expected) {
    count = fields - 1;
    tStatus tooSmall;
    map.getRegisterFormat(id, count, types, masks, tooSmall);
    EXPECT_EQ(tooSmall.getCode(), nVLAPALS100::kStatusLookupFailure) << std::hex << id;
    count = 16;
    map.getRegisterFormat(id, count, types, masks, status);
    EXPECT_EQ(count, fields) << std::hex << id;
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(WexelCoreRegMap, WindowRegisterFormats) {
  count = 3;
  map.getRegisterFormat(0x800000C4, count, types, masks, status);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(std::vector<FieldType>(types, types + 3),
            (std::vector<FieldType>{FieldType::kUpTo8Bits, FieldType::kBit, FieldType::kUpTo32Bits}));
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + 3), (std::vector<uint64_t>{0x1F, 0x80, 0xFFFFFF00}));
  count = 3;
  map.getRegisterFormat(0x80000300, count, types, masks, status);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(types[0], FieldType::kUpTo32Bits);
  EXPECT_EQ(masks[0], 0xFFFFFFFCu);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(WexelCoreRegMap, TheTwoInterruptStatusRegistersShareALayoutNotARecord) {
  uint64_t first[16], second[16];
  uint32_t firstCount = 16, secondCount = 16;
  map.getRegisterFormat(0xC0000060, firstCount, types, first, status);
  map.getRegisterFormat(0xC0000068, secondCount, types, second, status);
  EXPECT_EQ(std::vector<uint64_t>(first, first + firstCount), std::vector<uint64_t>(second, second + secondCount));

  // An enabled interrupt request of the FPGA waits: the first register
  // shows the output asserted and the waiting source, the second hands
  // out the waiting status word.
  map.InterruptMask.writeBit31(true, status, false);
  map.InterruptMask.writeBit9(true, status, false);
  board.bridge().interrupts().raiseSource(sim::InterruptController::kSourceIrq);
  map.refreshRegMap(status);
  EXPECT_EQ(map.InterruptStatus[0].getValue(), 0x80000200u);
  EXPECT_EQ(map.InterruptStatus[1].getValue(), 0x200u);
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t id : {0xC0000060u, 0xC0000068u}) {
    tStatus refused;
    map.flush(id, true, refused, 0);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  }
}

TEST_F(WexelCoreRegMap, FlushRegMapWritesTheThirtyThreeWritableRegistersControlFirstOnlyWhenDirty) {
  map.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u) << "reinitialised registers start clean";
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  const auto traffic = board.bar0().traffic();
  EXPECT_EQ(offsetsOf(traffic), writableOffsets());
  EXPECT_EQ(traffic.size(), 33u);
  EXPECT_EQ(traffic.front().offset, 0x58u);
  clearTraffic();
  map.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);
  map.refreshRegMap(status);
  EXPECT_EQ(reads(), 55u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
