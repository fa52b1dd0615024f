// The bridge chip's configuration-port maps: the common block and the
// per-port SPI and parallel maps, their generated tables against the chip's
// register tables, and their traffic on the board model's BAR 0.
#include <gtest/gtest.h>

#include "driver/regmaps/bridge/tWexelConfigPortBaseRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortParallelRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortSPIRegMap.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/regmaps/MapTables.h"

namespace {

using namespace vltest;
using arm::FieldType;
using nVL9738K_24_0::nKMR4::tWexelConfigPortBaseRegMap;
using nVL9738K_24_0::nKMR4::tWexelConfigPortParallelRegMap;
using nVL9738K_24_0::nKMR4::tWexelConfigPortSPIRegMap;

// The common block's register table, in map order: offset, width, access.
struct Row {
  uint32_t offset;
  unsigned width;
  const char* access;
};
const std::vector<Row> kBaseDatasheet = {
    {0x400, 16, "W"},  {0x408, 16, "W"},  {0x410, 32, "RW"}, {0x440, 32, "W"},  {0x444, 32, "W"},  {0x448, 32, "R"},
    {0x450, 32, "RW"}, {0x458, 32, "RW"}, {0x460, 8, "W"},   {0x468, 32, "R"},  {0x500, 32, "RW"}, {0x504, 32, "RW"},
    {0x508, 32, "RW"}, {0x50C, 32, "RW"}, {0x510, 32, "RW"}, {0x514, 32, "RW"}, {0x520, 32, "RW"}, {0x524, 32, "RW"},
    {0x528, 32, "R"},  {0x530, 32, "W"},  {0x534, 32, "R"},  {0x528, 32, "RW"},
};

const arm::tMapDescriptor& baseTables() { return tWexelConfigPortBaseRegMap::kDescriptor; }

TEST(WexelConfigPortRegMapTables, BaseRecordsFollowTheDatasheetTableInOrder) {
  const std::vector<RecordFact> facts = recordFacts(baseTables());
  ASSERT_EQ(baseTables().recordCount, 22u);
  ASSERT_EQ(facts.size(), kBaseDatasheet.size());
  for (size_t i = 0; i < facts.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "record " << i);
    EXPECT_EQ(facts[i].offset, kBaseDatasheet[i].offset);
    EXPECT_EQ(facts[i].widthBits, kBaseDatasheet[i].width);
    EXPECT_EQ(facts[i].access, kBaseDatasheet[i].access);
    EXPECT_EQ(facts[i].reset, 0u);
    EXPECT_EQ(facts[i].registerId, (facts[i].access == "R" ? 0xC0000000u : 0x80000000u) | kBaseDatasheet[i].offset);
  }
  EXPECT_STREQ(baseTables().records[18].name, "SPIStatus");
  EXPECT_STREQ(baseTables().records[21].name, "ConfigStateMachineControlStatus");
}

TEST(WexelConfigPortRegMapTables, BasePassesWriteTheI2cCommandBeforeTheStateMachineControl) {
  EXPECT_EQ(passOffsets(baseTables(), baseTables().flushOrder, baseTables().flushStepCount),
            (std::vector<uint32_t>{0x400, 0x408, 0x410, 0x440, 0x444, 0x450, 0x458, 0x460, 0x500, 0x504, 0x508, 0x50C,
                                   0x510, 0x514, 0x520, 0x524, 0x530, 0x528}));
  EXPECT_EQ(passOffsets(baseTables(), baseTables().refreshOrder, baseTables().refreshStepCount),
            (std::vector<uint32_t>{0x410, 0x448, 0x450, 0x458, 0x468, 0x500, 0x504, 0x508, 0x50C, 0x510, 0x514, 0x520,
                                   0x524, 0x528, 0x534, 0x528}));
  EXPECT_EQ(baseTables().records[baseTables().refreshOrder[13]].name, std::string("SPIStatus"));
}

TEST(WexelConfigPortRegMapTables, PortMapsHaveFourReadWriteRegistersWithTheSameIds) {
  for (const arm::tMapDescriptor* d :
       {&tWexelConfigPortSPIRegMap::kDescriptor, &tWexelConfigPortParallelRegMap::kDescriptor}) {
    SCOPED_TRACE(d->name);
    std::vector<uint32_t> ids;
    for (const RecordFact& fact : recordFacts(*d)) {
      EXPECT_EQ(fact.access, "RW");
      EXPECT_EQ(fact.widthBits, 32u);
      EXPECT_EQ(fact.reset, 0u);
      ids.push_back(fact.registerId);
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x80000000, 0x80000004, 0x80000008, 0x8000000C}));
    EXPECT_EQ(d->flushStepCount, 4u);
    EXPECT_EQ(d->refreshStepCount, 4u);
    EXPECT_FALSE(d->settings.dirtyAfterReinitialize);
    EXPECT_STREQ(d->settings.version, "1.0.0d0");
  }
}

class WexelConfigPortBaseRegMap : public RegisterMapOnBoard {
 protected:
  sim::RegisterFile& block() { return board.bridge().configPort(); }
  tWexelConfigPortBaseRegMap map{&bar0, 0, 0, 0xFFFFFFFF};
};

TEST_F(WexelConfigPortBaseRegMap, TheTwoRegistersAt0x528KeepTheirOwnShadows) {
  map.ConfigStateMachineControlStatus.writeBit3(true, status, false);
  EXPECT_EQ(block().written(0x128, 4), 0x8u);
  block().setReadable(0x128, 4, 0x1);

  map.refresh(0xC0000528, status, 0);
  EXPECT_EQ(map.SPIStatus.getValue(), 0x1u);
  EXPECT_EQ(map.ConfigStateMachineControlStatus.getValue(), 0x8u);
  map.refresh(0x80000528, status, 0);
  EXPECT_EQ(map.ConfigStateMachineControlStatus.getValue(), 0x1u);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()), (std::vector<uint64_t>{0x528, 0x528, 0x528}));
  EXPECT_EQ(status.getCode(), 0);

  map.flush(0xC0000528, true, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(writes(), 1u);
}

TEST_F(WexelConfigPortBaseRegMap, AForcedFlushWritesEighteenRegistersStateMachineLast) {
  map.flushRegMap(true, status);
  const auto traffic = board.bar0().traffic();
  ASSERT_EQ(traffic.size(), 18u);
  EXPECT_EQ(traffic[16].offset, 0x530u);
  EXPECT_EQ(traffic[17].offset, 0x528u);
  EXPECT_EQ(status.getCode(), 0);
}

// A port map sees only its port's 16 bytes, through an accessor of its own.
class PortMaps : public RegisterMapOnBoard {
 protected:
  static uint64_t portOffset(unsigned port) { return 0x580 + 0x10 * port; }
  vllym::IoAccessorMappedPci portAccessor(unsigned port) {
    return vllym::IoAccessorMappedPci(0x10, kBar0BusAddress + portOffset(port),
                                      board.bar0().mappedAddress() + portOffset(port), 0);
  }
  uint32_t count = 16;
  FieldType types[16] = {};
  uint64_t masks[16] = {};
};

TEST_F(PortMaps, SpiTransferSetUpReachesThePortsOwnRegister) {
  vllym::IoAccessorMappedPci accessor = portAccessor(3);
  tWexelConfigPortSPIRegMap spi(&accessor, 0, 0, 0xFFFFFFFF);
  spi.ReadWriteMode[1].setBitCount(32, status).setBits21_16(8, status).flush(status, false);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, 0x5B8, 4, 0x20080000}}));
  spi.flushRegMap(false, status);
  EXPECT_EQ(writes(), 1u);
  spi.markDirtyRegMap();
  spi.flushRegMap(false, status);
  spi.refreshRegMap(status);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()),
            (std::vector<uint64_t>{0x5B8, 0x5B0, 0x5B4, 0x5B8, 0x5BC, 0x5B0, 0x5B4, 0x5B8, 0x5BC}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(PortMaps, FormatsOfTheTwoLayouts) {
  vllym::IoAccessorMappedPci accessor = portAccessor(0);
  tWexelConfigPortSPIRegMap spi(&accessor, 0, 0, 0xFFFFFFFF);
  tWexelConfigPortParallelRegMap parallel(&accessor, 0, 0, 0xFFFFFFFF);

  uint64_t first[16], second[16];
  uint32_t firstCount = 16, secondCount = 16;
  spi.getRegisterFormat(0x80000004, firstCount, types, first, status);
  spi.getRegisterFormat(0x80000008, secondCount, types, second, status);
  EXPECT_EQ(firstCount, 12u);
  EXPECT_EQ(std::vector<uint64_t>(first, first + 12), std::vector<uint64_t>(second, second + secondCount));
  count = 8;
  tStatus tooSmall;
  spi.getRegisterFormat(0x80000000, count, types, masks, tooSmall);
  EXPECT_EQ(tooSmall.getCode(), nVLAPALS100::kStatusLookupFailure);

  count = 16;
  parallel.getRegisterFormat(0x80000004, count, types, masks, status);
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count),
            (std::vector<uint64_t>{0x3F, 0x100, 0x200, 0x400, 0x1000, 0x2000, 0x4000, 0x70000, 0xFF000000}));
  count = 16;
  parallel.getRegisterFormat(0x80000008, count, types, masks, status);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(masks[0], 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
