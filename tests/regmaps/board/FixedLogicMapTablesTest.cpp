// The generated tables of the FPGA's fixed-logic blocks and CPLD
// configuration blocks against the blocks' register tables: records in
// order, register ids, access classes, reset values, strobe bits, field
// counts and whole-map pass orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/regaccess/RegisterIds.h"
#include "driver/regmaps/board/tBoardControl.h"
#include "driver/regmaps/board/tCoreBrdRegMap.h"
#include "driver/regmaps/board/tEndpointRegMap.h"
#include "driver/regmaps/board/tJtagInterfaceRegMap.h"
#include "driver/regmaps/board/tLo0CpldConfig.h"
#include "driver/regmaps/board/tLo1CpldConfig.h"
#include "driver/regmaps/board/tPrivateEndpoint.h"
#include "driver/regmaps/board/tPrivateRegMap.h"
#include "driver/regmaps/board/tRefCpldConfig.h"
#include "driver/regmaps/board/tRegPortInterfaceRegMap.h"
#include "driver/regmaps/board/tRoutingRegs.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/regmaps/MapTables.h"

namespace {

using namespace vltest;

struct Row {
  uint32_t offset;
  const char* name;
  uint32_t id;
  const char* access;
  uint32_t reset;
  uint32_t strobes;
  unsigned fields;
};

struct Sheet {
  const char* label;
  const arm::tMapDescriptor* descriptor;
  const char* source;
  std::vector<Row> rows;
  std::vector<uint32_t> flushOffsets;
  std::vector<uint32_t> refreshOffsets;
};

void PrintTo(const Sheet& sheet, std::ostream* out) { *out << sheet.label; }

const std::vector<Sheet> kSheets = {
    {"BoardControl",
     &nBoardControl::tBoardControl::kDescriptor,
     "Vl9738Ov3Fpga_BoardControl",
     {
         {0x00, "RefCardPower", 0x804A86A1, "W", 0x333, 0, 6},
         {0x00, "RefCardPowerStatus", 0x80D0B425, "R", 0x333, 0, 7},
         {0x04, "LoCardPower", 0x809CAF29, "W", 0x33333, 0, 10},
         {0x04, "LoCardPowerStatus", 0x80B075D7, "R", 0x33333, 0, 17},
         {0x08, "DisableRefCardSS", 0x80F19240, "W", 0, 0, 3},
         {0x08, "StatusRefCardSS", 0x809D5575, "R", 0, 0, 3},
         {0x0C, "DisableLoCardSS", 0x80CF9AF2, "W", 0, 0, 5},
         {0x0C, "StatusLoCardSS", 0x8090F9EA, "R", 0, 0, 5},
         {0x10, "Trigger0Control", 0x80289E67, "W", 0, 0, 6},
         {0x14, "Trigger0Mask", 0x8064E247, "W", 0, 0, 1},
         {0x18, "Trigger0Compare", 0x803ABA71, "W", 0, 0, 1},
         {0x20, "Trigger1Control", 0x80829EF9, "W", 0, 0, 6},
         {0x24, "Trigger1Mask", 0x8004CBF7, "W", 0, 0, 1},
         {0x28, "Trigger1Compare", 0x8090BAEF, "W", 0, 0, 1},
         {0x30, "RefOutAlignment", 0x80B2C900, "W", 0, 0x80000100, 6},
         {0x30, "RefOutAlignmentStatus", 0x8047B922, "R", 0, 0, 3},
         {0x34, "LockDetectorControl", 0x80ECC612, "W", 0x20, 0x1, 3},
         {0x34, "LockDetectorStatus", 0x808076F4, "R", 0, 0, 1},
     },
     {0x00, 0x04, 0x08, 0x0C, 0x10, 0x14, 0x18, 0x20, 0x24, 0x28, 0x30, 0x34},
     {0x00, 0x04, 0x08, 0x0C, 0x30, 0x34}},
    {"CoreBrdRegMap",
     &nCoreBrdRegMap::tCoreBrdRegMap::kDescriptor,
     "Vl9738Ov3Fpga_CoreBrdRegMap",
     {
         {0x00, "BoardSignature", 0x8048A13C, "R", 0, 0, 2},
         {0x04, "CoreBrdWord1", 0x808F37A2, "R", 0, 0, 1},
         {0x08, "CoreBrdWord2", 0x80E1E356, "R", 0, 0, 1},
         {0x0C, "CoreBrdWord3", 0x80A5BE86, "RW", 0, 0, 1},
     },
     {0x0C},
     {0x00, 0x04, 0x08, 0x0C}},
    {"JtagInterfaceRegMap",
     &nJtagInterfaceRegMap::tJtagInterfaceRegMap::kDescriptor,
     "Vl9738Ov3Fpga_JtagInterfaceRegMap",
     {
         {0x00, "JtagDataIn", 0x806F87C0, "R", 0, 0, 2},
         {0x00, "JtagDataOut", 0x803640B7, "W", 0, 0, 2},
         {0x04, "JtagControl", 0x80FE2389, "W", 0, 0x100, 5},
         {0x04, "JtagSetup", 0x8061F4C7, "R", 0, 0, 1},
         {0x08, "JtagEnable", 0x80C3D32F, "RW", 0, 0, 2},
     },
     {0x00, 0x04, 0x08},
     {0x00, 0x04, 0x08}},
    {"PrivateRegMap",
     &nPrivateRegMap::tPrivateRegMap::kDescriptor,
     "Vl9738Ov3Fpga_PrivateRegMap",
     {
         {0x00, "PrivateReg00", 0x80195555, "R", 0, 0, 1},
         {0x04, "PowerSetup", 0x804B7963, "W", 0, 0, 4},
         {0x08, "ThermalSetup", 0x80C34735, "W", 0, 0x221, 5},
         {0x0C, "DaughterBoardClockCtrl", 0x80B91B2E, "W", 0, 0, 2},
         {0x10, "PowerSyncClkDiv0", 0x802A0DEC, "W", 0, 0, 2},
         {0x14, "PowerSyncClkDiv1", 0x80658BAB, "W", 0, 0, 2},
         {0x18, "ThermalStatus", 0x80334F82, "R", 0, 0, 2},
         {0x1C, "ConfigPortControl", 0x8071D501, "RW", 0, 0, 2},
         {0x20, "LedOverride", 0x80C39E82, "W", 0, 0, 4},
         {0x30, "AuxResetSetup", 0x806EEDAF, "W", 0, 0, 2},
     },
     {0x04, 0x08, 0x0C, 0x10, 0x14, 0x1C, 0x20, 0x30},
     {0x00, 0x18, 0x1C}},
    {"RoutingRegs",
     &nRoutingRegs::tRoutingRegs::kDescriptor,
     "Vl9738Ov3Fpga_RoutingRegs",
     {
         {0x00, "SignatureReg", 0x80344E27, "R", 0, 0, 1},
         {0x04, "RevisionReg", 0x80027EBD, "R", 0, 0, 1},
         {0x08, "RoutingReg08", 0x801D6AF1, "R", 0, 0, 1},
         {0x0C, "RoutingReg0C", 0x809873F7, "RW", 0, 0, 1},
     },
     {0x0C},
     {0x00, 0x04, 0x08, 0x0C}},
    {"RegPortInterfaceRegMap",
     &nRegPortInterfaceRegMap::tRegPortInterfaceRegMap::kDescriptor,
     "Vl9738Ov3Fpga_RegPortInterfaceRegMap",
     {
         {0x00, "RegPortReg00", 0x80FA7CD7, "R", 0, 0, 1},
         {0x04, "MutexReg", 0x80645987, "RW", 0, 0x10, 2},
         {0x04, "MutexReg", 0xC0645987, "RW", 0, 0x10, 1},
         {0x08, "ReadDataControlReg", 0x80AAA6AD, "RW", 0, 0, 2},
         {0x0C, "ReadDataReg", 0x8062EBA0, "R", 0, 0, 1},
         {0x10, "OrderingControl", 0x80239A8A, "RW", 0, 0, 4},
     },
     {0x04, 0x08, 0x10},
     {0x00, 0x04, 0x08, 0x0C, 0x10}},
    {"EndpointRegMap",
     &nEndpointRegMap::tEndpointRegMap::kDescriptor,
     "Vl9738Ov3Fpga_EndpointRegMap",
     {
         {0x00, "EndpointStatusReg", 0x80BD4C78, "R", 0, 0, 1},
         {0x00, "EndpointSetupReg", 0x80973A13, "W", 0, 0, 2},
         {0x08, "AuxSetupReg", 0x80A7DE86, "W", 0, 0x1000, 8},
         {0x08, "AuxStatusReg", 0x80931D78, "R", 0, 0, 5},
     },
     {0x00, 0x08},
     {0x00, 0x08}},
};

// The view rows of a descriptor in record order, as the sheet lists them.
struct ViewFact {
  uint32_t offset;
  std::string name;
  uint32_t id;
  std::string access;
  uint64_t reset;
  uint64_t strobes;
  unsigned fields;
};

std::vector<ViewFact> viewFacts(const arm::tMapDescriptor& d) {
  std::vector<ViewFact> facts;
  for (uint16_t r = 0; r < d.recordCount; ++r) {
    for (uint16_t v = 0; v < d.viewCount; ++v) {
      const arm::tViewInfo& view = d.views[v];
      if (view.record != r) continue;
      facts.push_back({d.records[r].offset, d.records[r].name, view.id, accessOf(view.accepts), d.records[r].resetValue,
                       d.records[r].selfClearingMask, view.fieldCount});
    }
  }
  return facts;
}

class FixedLogicBlockTables : public testing::TestWithParam<Sheet> {};

TEST_P(FixedLogicBlockTables, RecordsFollowTheBlockTableInOrder) {
  const Sheet& sheet = GetParam();
  const arm::tMapDescriptor& d = *sheet.descriptor;
  const std::vector<ViewFact> facts = viewFacts(d);
  ASSERT_EQ(facts.size(), sheet.rows.size());
  for (size_t i = 0; i < facts.size(); ++i) {
    const Row& row = sheet.rows[i];
    SCOPED_TRACE(testing::Message() << row.name);
    EXPECT_EQ(facts[i].offset, row.offset);
    EXPECT_EQ(facts[i].name, row.name);
    EXPECT_EQ(facts[i].id, row.id);
    EXPECT_EQ(facts[i].access, row.access);
    EXPECT_EQ(facts[i].reset, row.reset);
    EXPECT_EQ(facts[i].strobes, row.strobes);
    EXPECT_EQ(facts[i].fields, row.fields);
  }
  for (uint16_t r = 0; r < d.recordCount; ++r) EXPECT_EQ(d.records[r].width, 4u);
}

TEST_P(FixedLogicBlockTables, PassesVisitWritableAndReadableRegistersInTableOrder) {
  const arm::tMapDescriptor& d = *GetParam().descriptor;
  EXPECT_EQ(passOffsets(d, d.flushOrder, d.flushStepCount), GetParam().flushOffsets);
  EXPECT_EQ(passOffsets(d, d.refreshOrder, d.refreshStepCount), GetParam().refreshOffsets);
  EXPECT_EQ(d.childCount, 0u);
}

TEST_P(FixedLogicBlockTables, SettingsAreThoseOfTheNameKeyedFpgaMaps) {
  const arm::tMapDescriptor& d = *GetParam().descriptor;
  EXPECT_TRUE(d.settings.dirtyAfterReinitialize);
  EXPECT_EQ(d.settings.oneBitRule, arm::tOneBitRule::kNonZero);
  EXPECT_STREQ(d.settings.version, "");
  EXPECT_STREQ(d.settings.oldestCompatibleVersion, "");
  EXPECT_STREQ(d.settings.sourceFile, GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(Blocks, FixedLogicBlockTables, testing::ValuesIn(kSheets),
                         [](const testing::TestParamInfo<Sheet>& info) { return std::string(info.param.label); });

}  // namespace
