// The board's map container and its three CPLD composites placed in the
// host map's window; the container replacing a previous Ref composite and
// keeping the host map's attachment in step with its slot.
#include <memory>

#include "driver/board/maps/t9738Board.h"
#include "driver/board/resources/CompositeMaps.h"
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
void PrintTo(const HostWindow& w, std::ostream* out) {
  *out << std::hex << "base 0x" << w.base << " window 0x" << w.start << "+0x" << w.size;
}

// A map's placement, and the fixed-logic block (offset, size) it stands for.
struct Placed {
  uint32_t base, windowStart, windowSize, offset, size;
};
template <typename M>
Placed placed(const M& map, uint32_t offset, uint32_t size) {
  return Placed{map.getBase(), map.getWindowStart(), map.getWindowSize(), offset, size};
}

class BoardMaps : public FixedLogicOnBoard, public testing::WithParamInterface<HostWindow> {
 protected:
  // A register is reachable exactly when its fixed-logic offset lies
  // inside the host window, and it keeps its address wherever that starts.
  bool inHostWindow(uint64_t offset) const {
    return offset >= GetParam().start && offset < uint64_t{GetParam().start} + GetParam().size;
  }
  uint32_t addressOf(uint32_t offset) const { return GetParam().base - GetParam().start + offset; }
  // A map's window covers its block's words inside the host window.
  void expectPlaced(const Placed& p) const {
    SCOPED_TRACE(testing::Message() << std::hex << "block 0x" << p.offset);
    uint32_t reached = 0, first = 0;
    for (uint32_t at = p.offset; at < p.offset + p.size; at += 4) {
      if (inHostWindow(at) && reached++ == 0) first = at;
    }
    EXPECT_EQ(p.windowSize, 4 * reached);
    if (reached == 0) return;
    EXPECT_EQ(p.windowStart, first - p.offset);
    EXPECT_EQ(p.base - p.windowStart, addressOf(p.offset));
  }
};

TEST_P(BoardMaps, EachCpldCompositeReachesExactlyTheRegistersInsideTheHostWindow) {
  const HostWindow& host = GetParam();
  t9738Board maps{new nHostRegMap::tHostRegMap(&fixedLogic, host.base, host.start, host.size)};
  nVL9738K_24_0::CompositeMaps composites(maps, nullptr, status);
  ASSERT_EQ(status.getCode(), 0);
  const nVl9738RefCpld::tVl9738RefCpld& cpld = *maps.getRefCpld();
  EXPECT_EQ(maps.getHostRegMap()->RefCpld.map, &cpld);
  const struct {
    bool accessible;
    uint32_t address, offset;
  } own[] = {{cpld.OcxoPower.isAccessible(), cpld.OcxoPower.getRegisterAddress(), 0x4120},
             {cpld.PllHmc703.isAccessible(), cpld.PllHmc703.getRegisterAddress(), 0x412C},
             {cpld.RefOut.isAccessible(), cpld.RefOut.getRegisterAddress(), 0x4138},
             {cpld.BoardRevision.isAccessible(), cpld.BoardRevision.getRegisterAddress(), 0x413C}};
  for (const auto& r : own) {
    EXPECT_EQ(r.accessible, inHostWindow(r.offset)) << std::hex << r.offset;
    EXPECT_EQ(r.address, addressOf(r.offset)) << std::hex << r.offset;
  }
  for (const Placed& p : {placed(cpld, 0x4000, 0x4000), placed(cpld.AuxInterfaceRegMap, 0x4000, 0x100),
                          placed(cpld.TemperatureRegMap, 0x4100, 0x20), placed(cpld.Lo0RefClkToLoRegMap, 0x4160, 0x10),
                          placed(cpld.Lo1RefClkToLoRegMap, 0x4170, 0x10), placed(cpld.Ad9512RegMap, 0x4200, 0x200),
                          placed(cpld.Hmc703RegMap, 0x4400, 0x100), placed(*composites.getLo0Cpld(), 0x8000, 0x4000),
                          placed(*composites.getLo1Cpld(), 0xC000, 0x4000)}) {
    expectPlaced(p);
  }
}

// Windows that start at 0 and cut a CPLD short, windows that start inside
// one or before it, and host bases that are not 0.
INSTANTIATE_TEST_SUITE_P(Windows, BoardMaps,
                         testing::Values(HostWindow{0, 0, 0xFFFFFFFF}, HostWindow{0, 0, 0x4130},
                                         HostWindow{0, 0, 0x4000}, HostWindow{0, 0x5000, 0xFFFFFFFF},
                                         HostWindow{0x1000, 0x800, 0x6000}, HostWindow{0, 0x1000, 0x5000},
                                         HostWindow{0, 0x2000, 0x2130}, HostWindow{0, 0x4130, 0x4100},
                                         HostWindow{0x10000, 0x4110, 0x1F8}, HostWindow{0x10000, 0x9000, 0x4000}));

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
