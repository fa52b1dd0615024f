// The board's map container placing the Ref CPLD composite in the host
// map's window, replacing a previous composite and keeping the host map's
// attachment in step with its slot.
#include <tuple>

#include "driver/board/maps/t9738Board.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "sim/kernel/Memory.h"
#include "tests/regmaps/board/FixedLogicFixture.h"

namespace {

using namespace vltest;
using n9738Board::t9738Board;

class BoardMaps : public FixedLogicOnBoard {
 protected:
  t9738Board& make(uint32_t windowSize) {
    maps = std::make_unique<t9738Board>(new nHostRegMap::tHostRegMap(&fixedLogic, 0, 0, windowSize));
    return *maps;
  }
  std::unique_ptr<t9738Board> maps;
};

TEST_F(BoardMaps, AWholeHostWindowGivesTheCompositeItsWholeCpldAndAttachesIt) {
  make(0xFFFFFFFF).create_RefCpld_RefAuxBus(&fixedLogic, status);
  ASSERT_EQ(status.getCode(), 0);
  nVl9738RefCpld::tVl9738RefCpld* cpld = maps->getRefCpld();
  ASSERT_NE(cpld, nullptr);
  EXPECT_EQ(maps->getHostRegMap()->RefCpld.map, cpld);
  EXPECT_EQ(std::make_tuple(cpld->getBase(), cpld->getWindowStart(), cpld->getWindowSize()),
            std::make_tuple(0x4000u, 0u, 0x4000u));
  EXPECT_EQ(std::make_tuple(cpld->Ad9512RegMap.getBase(), cpld->Ad9512RegMap.getWindowSize()),
            std::make_tuple(0x4200u, 0x200u));
  EXPECT_EQ(cpld->RefOut.getRegisterAddress(), 0x4138u);
  EXPECT_TRUE(cpld->BoardRevision.isAccessible());
}

TEST_F(BoardMaps, AHostWindowEndingInsideTheCpldCutsTheCompositeAndItsChildren) {
  make(0x4130).create_RefCpld_RefAuxBus(&fixedLogic, status);
  nVl9738RefCpld::tVl9738RefCpld& cpld = *maps->getRefCpld();
  EXPECT_EQ(cpld.getWindowSize(), 0x130u);
  EXPECT_TRUE(cpld.PllHmc703.isAccessible());
  EXPECT_FALSE(cpld.RefOut.isAccessible());
  EXPECT_FALSE(cpld.BoardRevision.isAccessible());
  EXPECT_EQ(cpld.TemperatureRegMap.getWindowSize(), 0x20u);
  EXPECT_EQ(cpld.AuxInterfaceRegMap.getWindowSize(), 0x100u);
  for (arm::tRegisterMapEngine* cut : {static_cast<arm::tRegisterMapEngine*>(&cpld.Lo0RefClkToLoRegMap),
                                       static_cast<arm::tRegisterMapEngine*>(&cpld.Lo1RefClkToLoRegMap),
                                       static_cast<arm::tRegisterMapEngine*>(&cpld.Ad9512RegMap),
                                       static_cast<arm::tRegisterMapEngine*>(&cpld.Hmc703RegMap)}) {
    EXPECT_EQ(cut->getWindowSize(), 0u);
  }
  EXPECT_EQ(cpld.Hmc703RegMap.getBase(), 0x4400u);
}

struct Placement {
  uint32_t hostBase, hostStart, hostSize, base, window;
};

class RefCpldPlacement : public testing::TestWithParam<Placement> {};

TEST_P(RefCpldPlacement, FollowsTheHostWindowInUnsignedArithmetic) {
  const Placement& p = GetParam();
  const t9738Board::tPlacement at = t9738Board::placeRefCpld(p.hostBase, p.hostStart, p.hostSize);
  EXPECT_EQ(at.base, p.base);
  EXPECT_EQ(at.windowSize, p.window);
}

INSTANTIATE_TEST_SUITE_P(Windows, RefCpldPlacement,
                         testing::Values(Placement{0, 0, 0xFFFFFFFF, 0x4000, 0x4000},
                                         Placement{0, 0, 0x4130, 0x4000, 0x130}, Placement{0, 0, 0x4000, 0x4000, 0},
                                         Placement{0, 0x5000, 0xFFFFFFFF, 0xFFFFF000, 0},
                                         Placement{0x1000, 0x800, 0x6000, 0x4800, 0x2000}));

TEST_F(BoardMaps, ASecondCallReplacesTheCompositeAndAFailedOneLeavesNothingAttached) {
  make(0xFFFFFFFF).create_RefCpld_RefAuxBus(&fixedLogic, status);
  const int64_t blocks = sim::Memory::outstandingBlocks();
  maps->create_RefCpld_RefAuxBus(&fixedLogic, status);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks) << "the first composite was deleted";
  EXPECT_EQ(maps->getHostRegMap()->RefCpld.map, maps->getRefCpld());

  sim::Memory::allocationFaults().failNth(1, 0);
  maps->create_RefCpld_RefAuxBus(&fixedLogic, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks - 1);
  EXPECT_EQ(maps->getRefCpld(), nullptr);
  EXPECT_EQ(maps->getHostRegMap()->RefCpld.map, nullptr);

  // A status already in error builds nothing and keeps what is there.
  maps->create_RefCpld_RefAuxBus(&fixedLogic, status);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks - 1);
  maps.reset();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks - 3) << "the host map goes with the container";
}

}  // namespace
