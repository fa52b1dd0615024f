// The LO0 and LO1 CPLD maps in the fixed-logic window as the device builds
// them (base 0x8000 or 0xC000, window 0x4000): the order in which their
// passes reach the blocks, the blocks' windows, the refused by-id
// operations and the blocks' own accessors.
#include "FixedLogicFixture.h"
#include "driver/regmaps/board/cpld/tVl9738Lo0Cpld.h"
#include "driver/regmaps/board/cpld/tVl9738Lo1Cpld.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using namespace nVLAPALS100;
using Lo0 = nVl9738Lo0Cpld::tVl9738Lo0Cpld;
using Lo1 = nVl9738Lo1Cpld::tVl9738Lo1Cpld;

class LoCpldOnBoard : public FixedLogicOnBoard {
 protected:
  Lo0 lo0{&fixedLogic, 0x8000, 0, 0x4000};
  Lo1 lo1{&fixedLogic, 0xC000, 0, 0x4000};
};

TEST_F(LoCpldOnBoard, PassesReachTheBlocksInTheirOrderAndWriteOnlyWhatIsDirty) {
  lo0.flushRegMap(false, status);
  std::vector<BusAccess> first = board.bar0().traffic();
  first.resize(4);
  EXPECT_EQ(first, (std::vector<BusAccess>{{BusAccess::Kind::Write, at(0x8100), 4, 0xFF},
                                           {BusAccess::Kind::Write, at(0x8120), 4, 0x7F},
                                           {BusAccess::Kind::Write, at(0x8124), 4, 0x26000138},
                                           {BusAccess::Kind::Write, at(0x8128), 4, 0}}));
  EXPECT_EQ(writtenAddresses(),
            passes({&lo0.TemperatureRegMap, &lo0.BoardCtrlRegMap, &lo0.Ad9162RegMap, &lo0.AuxInterfaceRegMap}, true));
  lo1.flushRegMap(false, status);
  EXPECT_EQ(written(at(0xC140), 4), 4u);
  startRecording();
  lo1.flushRegMap(false, status);
  lo1.refreshRegMap(status);
  EXPECT_EQ(writes(), 0u);
  EXPECT_EQ(readAddresses(), passes({&lo1.BoardCtrlRegMap, &lo1.Ad9162RegMap, &lo1.AuxInterfaceRegMap}, false));
  startRecording();
  lo1.Ad9162RegMap.set(0x80095BB8, 0, status, 0);
  lo1.markDirtyRegMap();
  lo1.reinitialize();
  lo1.flushRegMap(false, status);
  EXPECT_EQ(writtenAddresses(),
            passes({&lo1.BoardCtrlRegMap, &lo1.CxSwCtrlRegMap, &lo1.Ad9162RegMap, &lo1.AuxInterfaceRegMap}, true));
  EXPECT_EQ(board.dac(1).reg(0x03F), 0xC0);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(LoCpldOnBoard, ShortWindowCutsTheDacOutWhileTheOtherBlocksAreWritten) {
  Lo0 small{&fixedLogic, 0x8000, 0, 0x180};
  EXPECT_EQ(std::vector<uint32_t>({small.TemperatureRegMap.getWindowSize(), small.BoardCtrlRegMap.getWindowSize(),
                                   small.Ad9162RegMap.getWindowSize(), small.AuxInterfaceRegMap.getWindowSize()}),
            (std::vector<uint32_t>{0x20, 0x20, 0, 0x100}));
  startRecording();
  small.flushRegMap(false, status);
  EXPECT_EQ(status.getCode(), kStatusNotAccessible);
  EXPECT_EQ(writtenAddresses(),
            passes({&small.TemperatureRegMap, &small.BoardCtrlRegMap, &small.AuxInterfaceRegMap}, true));
}

TEST_F(LoCpldOnBoard, ByIdOperationsAreRefusedAndBlockAccessorsAreSwappedAlone) {
  // BoardCtrl's 0x80864146 belongs to a block, not to the composites.
  for (arm::tRegisterMapEngine* cpld : std::initializer_list<arm::tRegisterMapEngine*>{&lo0, &lo1}) {
    runScript(*cpld, "g 80864146 !5", kWindow);
    const Format format = formatOf(*cpld, 0x80864146, 4);
    EXPECT_EQ(std::pair(format.code, format.count), std::pair(int64_t{kStatusNotSupported}, 0u));
  }
  runScript(lo0.BoardCtrlRegMap, "g 80864146 =26000138", kWindow);

  // The LO0 DAC's accessor moved 0x4000 up: its writes land in the LO1 DAC.
  vllym::IoAccessorMappedPci moved{sim::FixedLogic::kSize - 0x4000, kBar0BusAddress + kWindow + 0x4000,
                                   board.bar0().mappedAddress() + kWindow + 0x4000, 0};
  lo0.Ad9162RegMap.setAccessor(&moved);
  lo0.flushRegMap(false, status);
  EXPECT_EQ(std::tuple(board.dac(0).writesTo(0x03F), board.dac(1).reg(0x03F), written(at(0x8120), 4)),
            std::tuple(uint64_t{0}, uint8_t{0xC0}, uint64_t{0x7F}));
  EXPECT_EQ(lo0.getAccessor(), &fixedLogic);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
