// The board's map container placing the Ref CPLD composite in the host
// map's window, replacing a previous composite and keeping the host map's
// attachment in step with its slot.
#include <memory>

#include "driver/board/maps/t9738Board.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"
#include "sim/kernel/Memory.h"
#include "tests/regmaps/board/FixedLogicFixture.h"

namespace {

using namespace vltest;
using n9738Board::t9738Board;

// An LO composite, as the device resources hand it over: tells when it goes.
struct LoComposite : CountingMap {
  explicit LoComposite(bool& gone) : gone(gone) {}
  ~LoComposite() override { gone = true; }
  bool& gone;
};

// A host window and what it leaves the composite: its base and window, and
// the windows of the temperature block (0x100) and the AD9512 (0x200).
struct Placement {
  uint32_t hostBase, hostStart, hostSize, base, window, temperature, ad9512;
};

class BoardMaps : public FixedLogicOnBoard, public testing::WithParamInterface<Placement> {};

TEST_P(BoardMaps, PlacesTheCompositeAndItsChildrenInTheHostWindowInUnsignedArithmetic) {
  const Placement& p = GetParam();
  t9738Board maps{new nHostRegMap::tHostRegMap(&fixedLogic, p.hostBase, p.hostStart, p.hostSize)};
  maps.create_RefCpld_RefAuxBus(&fixedLogic, status);
  const nVl9738RefCpld::tVl9738RefCpld& cpld = *maps.getRefCpld();
  EXPECT_EQ(maps.getHostRegMap()->RefCpld.map, &cpld);
  EXPECT_EQ(cpld.getBase(), p.base);
  EXPECT_EQ(cpld.getWindowSize(), p.window);
  EXPECT_EQ(cpld.RefOut.getRegisterAddress(), p.base + 0x138);
  EXPECT_EQ(cpld.PllHmc703.isAccessible(), p.window > 0x12C);
  EXPECT_EQ(cpld.RefOut.isAccessible() || cpld.BoardRevision.isAccessible(), p.window > 0x138);
  EXPECT_EQ(cpld.TemperatureRegMap.getWindowSize(), p.temperature);
  EXPECT_EQ(cpld.Ad9512RegMap.getWindowSize(), p.ad9512);
  EXPECT_EQ(cpld.Ad9512RegMap.getBase(), p.base + 0x200);
  EXPECT_EQ(cpld.AuxInterfaceRegMap.getWindowSize(), p.window < 0x100 ? p.window : 0x100);
  EXPECT_EQ(cpld.Lo0RefClkToLoRegMap.getWindowSize() + cpld.Hmc703RegMap.getWindowSize() > 0, p.window > 0x400);
}

INSTANTIATE_TEST_SUITE_P(Windows, BoardMaps,
                         testing::Values(Placement{0, 0, 0xFFFFFFFF, 0x4000, 0x4000, 0x20, 0x200},
                                         Placement{0, 0, 0x4130, 0x4000, 0x130, 0x20, 0},
                                         Placement{0, 0, 0x4000, 0x4000, 0, 0, 0},
                                         Placement{0, 0x5000, 0xFFFFFFFF, 0xFFFFF000, 0, 0, 0},
                                         Placement{0x1000, 0x800, 0x6000, 0x4800, 0x2000, 0x20, 0x200}));

TEST_F(FixedLogicOnBoard, ASecondCallReplacesTheCompositeAndAFailedOneLeavesNothingAttached) {
  auto maps = std::make_unique<t9738Board>(new nHostRegMap::tHostRegMap(&fixedLogic));
  maps->create_RefCpld_RefAuxBus(&fixedLogic, status);
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
  bool gone = false;
  maps->replaceLoCpld(1, new LoComposite(gone));
  maps.reset();
  EXPECT_TRUE(gone);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), blocks - 3) << "the host map and the container go too";
}

}  // namespace
