// The fixed-logic block maps and CPLD configuration maps on the board
// model's fixed-logic window: what the model's status words report after
// the maps' writes (the engine's own tests cover strobes and second ids).
#include <gtest/gtest.h>

#include "FixedLogicFixture.h"
#include "driver/regmaps/board/tBoardControl.h"
#include "driver/regmaps/board/tCoreBrdRegMap.h"
#include "driver/regmaps/board/tJtagInterfaceRegMap.h"
#include "driver/regmaps/board/tPrivateEndpoint.h"
#include "driver/regmaps/board/tPrivateRegMap.h"
#include "driver/regmaps/board/tRefCpldConfig.h"

namespace {

using namespace vltest;

constexpr uint32_t kRefCardPowerStatus = 0x80D0B425;

class BoardControlBlock : public FixedLogicOnBoard {
 protected:
  nBoardControl::tBoardControl map{&fixedLogic, 0x1000, 0, 0x100};
  uint64_t value = 0;
};

// RefCardPower (0x804A86A1) and its status (0x80D0B425) share 0x1000:
// writing the control leaves the status shadow alone.
TEST_F(BoardControlBlock, ControlAndStatusAtOneAddressKeepTheirOwnShadows) {
  runScript(map, "w 804A86A1 733 W@1000:733; g 80D0B425 =333", kWindow);
  map.read(kRefCardPowerStatus, value, status, 0);
  EXPECT_EQ(value, 0xF33u) << "the enabled rail reports good";
  EXPECT_EQ(reads(), 1u);
  runScript(map, "g 804A86A1 =733", kWindow);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FixedLogicOnBoard, BoardSignatureAndCoreWordsReadFromTheHardware) {
  nCoreBrdRegMap::tCoreBrdRegMap core{&fixedLogic, 0x000, 0, 0x100};
  EXPECT_TRUE(core.BoardSignature.isDirty());
  EXPECT_EQ(core.BoardSignature.readRegister(status), sim::FixedLogic::kBoardSignature);
  EXPECT_FALSE(core.BoardSignature.isDirty());
  EXPECT_EQ(core.BoardSignature.getBits31_16(), 0x5B31u);
  // CoreBrdWord3 (0x80A5BE86) is the writable one.
  runScript(core, "g 4048A13C =4F56; s 8048A13C 0 !5; W 8048A13C 0 !5; w 80A5BE86 CAFE W@C:CAFE", kWindow);
}

TEST_F(FixedLogicOnBoard, PrivateBlockReportsOverTemperatureAndClearsThermalStrobes) {
  nPrivateRegMap::tPrivateRegMap priv{&fixedLogic, 0x200, 0, 0x100};
  EXPECT_FALSE(priv.ThermalStatus.readRegister(status) & sim::FixedLogic::kOverTemperature);
  model().setOverTemperature(true);
  EXPECT_TRUE(priv.ThermalStatus.readRegister(status) & sim::FixedLogic::kOverTemperature);
  EXPECT_TRUE(priv.ThermalStatus.getBit4());

  priv.ThermalSetup.setBit0(true, status).setBit4(true, status).setBit5(true, status).setBit9(true, status);
  priv.ThermalSetup.flush(status, false);
  EXPECT_EQ(written(at(0x208), 4), 0x231u);
  EXPECT_EQ(priv.ThermalSetup.getValue(), 0x10u);
  EXPECT_EQ(model().registers().written(0x208, 4), 0x10u);
  EXPECT_EQ(status.getCode(), 0);
}

class RefCpldConfigBlock : public FixedLogicOnBoard {
 protected:
  nRefCpldConfig::tRefCpldConfig config{&fixedLogic, 0x2000, 0, 0x100};
  nEndpointRegMap::tEndpointRegMap& endpoint = config.EndpointRegMap;
};

TEST_F(RefCpldConfigBlock, LinkComesUpOnceTheEndpointIsSetUpAndTheCpldStrobed) {
  endpoint.AuxSetupReg.setBit8(true, status).setBit2(true, status).setBit0(true, status).setBit12(true, status);
  endpoint.AuxSetupReg.flush(status, false);
  EXPECT_EQ(written(at(0x2008), 4), 0x1105u);
  EXPECT_EQ(endpoint.AuxSetupReg.getValue(), 0x105u) << "bit 12 is a strobe";
  EXPECT_FALSE(endpoint.AuxStatusReg.readRegister(status) & sim::FixedLogic::kAuxLinkUp);
  fixedLogic.write32(0x4010, 1, status);
  EXPECT_TRUE(endpoint.AuxStatusReg.readRegister(status) & sim::FixedLogic::kAuxLinkUp);
  EXPECT_TRUE(endpoint.AuxStatusReg.getBit8());
  // A link held down never rises.
  model().holdCpldLinkDown(0, true);
  EXPECT_FALSE(endpoint.AuxStatusReg.readRegister(status) & sim::FixedLogic::kAuxLinkUp);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
