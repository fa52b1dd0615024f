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

// A host map: its base and the window of fixed-logic offsets it reaches.
struct HostWindow {
  uint32_t base, start, size;
};

class BoardMaps : public FixedLogicOnBoard, public testing::WithParamInterface<HostWindow> {
 protected:
  // The Ref CPLD sits at 0x4000; a register there is reachable exactly
  // when its fixed-logic offset lies inside the host window.
  bool inHostWindow(uint32_t cpldOffset) const {
    const uint64_t offset = 0x4000 + uint64_t{cpldOffset};
    return offset >= GetParam().start && offset < uint64_t{GetParam().start} + GetParam().size;
  }
  uint32_t addressOf(uint32_t cpldOffset) const { return GetParam().base - GetParam().start + 0x4000 + cpldOffset; }
};

TEST_P(BoardMaps, TheCompositeReachesExactlyTheRegistersInsideTheHostWindow) {
  const HostWindow& host = GetParam();
  t9738Board maps{new nHostRegMap::tHostRegMap(&fixedLogic, host.base, host.start, host.size)};
  maps.create_RefCpld_RefAuxBus(&fixedLogic, status);
  const nVl9738RefCpld::tVl9738RefCpld& cpld = *maps.getRefCpld();
  EXPECT_EQ(maps.getHostRegMap()->RefCpld.map, &cpld);
  const struct {
    bool accessible;
    uint32_t address, offset;
  } own[] = {{cpld.OcxoPower.isAccessible(), cpld.OcxoPower.getRegisterAddress(), 0x120},
             {cpld.PllHmc703.isAccessible(), cpld.PllHmc703.getRegisterAddress(), 0x12C},
             {cpld.RefOut.isAccessible(), cpld.RefOut.getRegisterAddress(), 0x138},
             {cpld.BoardRevision.isAccessible(), cpld.BoardRevision.getRegisterAddress(), 0x13C}};
  for (const auto& r : own) {
    EXPECT_EQ(r.accessible, inHostWindow(r.offset)) << std::hex << r.offset;
    EXPECT_EQ(r.address, addressOf(r.offset)) << std::hex << r.offset;
  }
  // Each child block (offset, size): its window covers the block's bytes
  // that lie inside the host window, and its registers keep their address.
  struct Child {
    uint32_t base, windowStart, windowSize, offset, size;
  };
  auto child = [](const auto& map, uint32_t offset, uint32_t size) {
    return Child{map.getBase(), map.getWindowStart(), map.getWindowSize(), offset, size};
  };
  const Child children[] = {child(cpld.AuxInterfaceRegMap, 0, 0x100),     child(cpld.TemperatureRegMap, 0x100, 0x20),
                            child(cpld.Lo0RefClkToLoRegMap, 0x160, 0x10), child(cpld.Lo1RefClkToLoRegMap, 0x170, 0x10),
                            child(cpld.Ad9512RegMap, 0x200, 0x200),       child(cpld.Hmc703RegMap, 0x400, 0x100)};
  for (const Child& c : children) {
    uint32_t reached = 0;
    for (uint32_t at = c.offset; at < c.offset + c.size; at += 4) reached += inHostWindow(at) ? 4 : 0;
    EXPECT_EQ(c.windowSize, reached) << std::hex << c.offset;
    if (reached == 0) continue;
    uint32_t first = c.offset;
    while (!inHostWindow(first)) first += 4;
    EXPECT_EQ(c.windowStart, first - c.offset) << std::hex << c.offset;
    EXPECT_EQ(c.base - c.windowStart, addressOf(c.offset)) << std::hex << c.offset;
  }
}

// Windows that start at 0 and cut the CPLD short, windows that start inside
// it or before it, and a host base that is not 0.
INSTANTIATE_TEST_SUITE_P(Windows, BoardMaps,
                         testing::Values(HostWindow{0, 0, 0xFFFFFFFF}, HostWindow{0, 0, 0x4130},
                                         HostWindow{0, 0, 0x4000}, HostWindow{0, 0x5000, 0xFFFFFFFF},
                                         HostWindow{0x1000, 0x800, 0x6000}, HostWindow{0, 0x1000, 0x5000},
                                         HostWindow{0, 0x2000, 0x2130}, HostWindow{0, 0x4130, 0x1000},
                                         HostWindow{0x10000, 0x4110, 0x1F8}));

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
