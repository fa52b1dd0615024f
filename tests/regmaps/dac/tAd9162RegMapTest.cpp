// The DAC map behind the LO0 CPLD (fixed-logic 0x8200) over the board
// model's AD9162: its whole-map passes, the ids each operation takes and
// its field writers. Its by-id cases run as scripts with the other CPLD
// leaf maps.
#include <algorithm>
#include <span>

#include "driver/regmaps/dac/tAd9162RegMap.h"
#include "tests/regmaps/board/FixedLogicFixture.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;
using namespace nVLAPALS100;
using Kind = BusAccess::Kind;
using Dac = nShared::nAd9162RegMap::tAd9162RegMap;

constexpr uint32_t kBase = 0x8200;

class Ad9162OnBoard : public FixedLogicOnBoard {
 protected:
  static BusAccess wrote(unsigned chipAddress, uint32_t value) {
    return {Kind::Write, at(kBase + 4 * chipAddress), 4, value};
  }
  std::vector<unsigned> chip(Kind kind) {
    std::vector<unsigned> found;
    for (uint64_t offset : addresses(kind)) found.push_back(static_cast<unsigned>((offset - kBase) / 4));
    return found;
  }
  // Chip addresses of the registers whose register id an operation takes.
  static std::vector<unsigned> registersTaking(uint8_t operation) {
    std::vector<unsigned> found;
    for (const arm::tViewInfo& view : std::span(Dac::kDescriptor.views, Dac::kDescriptor.viewCount)) {
      if (view.accepts & operation) found.push_back(Dac::kDescriptor.records[view.record].offset / 4);
    }
    return found;
  }

  Dac dac{&fixedLogic, kBase, 0, 0x2004};
  sim::Ad9162& model = board.dac(0);
};

TEST_F(Ad9162OnBoard, PassesRunInAddressOrderAndFlushOnlyDirtyOrForcedWritableRegisters) {
  const std::vector<unsigned> writable = registersTaking(arm::kAcceptsFlush);
  const std::vector<unsigned> readable = registersTaking(arm::kAcceptsRefresh);
  dac.flushRegMap(false, status);
  EXPECT_EQ(chip(Kind::Write), writable);
  EXPECT_TRUE(std::ranges::is_sorted(writable) && writable.front() == 0 && writable.back() == 0x800);
  EXPECT_EQ(std::tuple(model.reg(0x03F), model.reg(0x110), model.reg(0x250)), std::tuple(0xC0, 0x81, 0x88));
  clearTraffic();
  dac.flushRegMap(false, status);
  EXPECT_EQ(writes(), 0u);
  dac.flushRegMap(true, status);
  EXPECT_EQ(chip(Kind::Write), writable);
  clearTraffic();
  dac.refreshRegMap(status);
  EXPECT_EQ(chip(Kind::Read), readable);
  EXPECT_EQ(dac.SpiProdIDH.getValue(), 0x91u);
  EXPECT_EQ(status.getCode(), 0);

  // A window of 8 KiB leaves out the hop control at 0x2000 alone.
  Dac shortDac{&fixedLogic, kBase, 0, 0x2000};
  clearTraffic();
  tStatus flushed, refreshed;
  shortDac.flushRegMap(false, flushed);
  EXPECT_EQ(chip(Kind::Write), std::vector<unsigned>(writable.begin(), writable.end() - 1));
  EXPECT_TRUE(shortDac.HopfCtrlReg.isDirty());
  clearTraffic();
  shortDac.refreshRegMap(refreshed);
  EXPECT_EQ(std::tuple(flushed.getCode(), refreshed.getCode(), reads()),
            std::tuple(kStatusNotAccessible, kStatusNotAccessible, size_t{265}));
}

TEST_F(Ad9162OnBoard, EachOperationTakesItsIdsAndNoOthers) {
  dac.flushRegMap(true, status);
  unsigned taken[7] = {};
  uint64_t value = 0;
  uint32_t count = 8;
  arm::FieldType types[8];
  uint64_t masks[8];
  for (const arm::tItemInfo& item : std::span(Dac::kDescriptor.items, Dac::kDescriptor.itemCount)) {
    if (item.id == arm::kNoItem) continue;
    const uint32_t id = item.id;
    taken[0] += codeAfter([&](tStatus& s) { dac.get(id, value, s, 0); }) == 0;
    taken[1] += codeAfter([&](tStatus& s) { dac.set(id, value, s, 0); }) == 0;  // unchanged: stays clean
    taken[2] += codeAfter([&](tStatus& s) { dac.read(id, value, s, 0); }) == 0;
    taken[3] += codeAfter([&](tStatus& s) { dac.write(id, value, false, s, 0); }) == 0;
    taken[4] += codeAfter([&](tStatus& s) { dac.flush(id, false, s, 0); }) == 0;
    taken[5] += codeAfter([&](tStatus& s) { dac.refresh(id, s, 0); }) == 0;
    taken[6] += codeAfter([&](tStatus& s) { dac.getRegisterFormat(id, count = 8, types, masks, s); }) == 0;
  }
  // By register key: writable registers by any id, readable ones by register
  // id and read-write ones by field id, formats of all by register id and
  // of the writable ones by field id.
  EXPECT_EQ(std::vector<unsigned>(taken, taken + 7),
            (std::vector<unsigned>{797, 463, 785, 463, 167 + 296, 266 + 290, 272 + 296}));
  // The forced pass, and the four equaliser registers: their flag reads 1
  // from 0x8 and stores 0001 back, a change that the write then sends.
  EXPECT_EQ(writes(), 167u + 4u);
  dac.getRegisterFormat(0x2040C9F1, count = 8, types, masks, status);  // a field id of SpiInitConfigA
  EXPECT_EQ(std::vector<uint64_t>(masks, masks + count), (std::vector<uint64_t>{1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { dac.getRegisterFormat(0x8040C9F1, count = 7, types, masks, s); }),
            kStatusLookupFailure);
  EXPECT_EQ(count, 7u);
}

TEST_F(Ad9162OnBoard, FieldWritersWriteAtOnceWhatChangedOrIsForced) {
  dac.flushRegMap(true, status);
  dac.EcntCtrl2.writeEcntRst(0, status, false);  // bits 2:0 no longer 7
  clearTraffic();
  dac.EcntCtrl2.writeEcntRst(0x1F, status, false).writeEcntRst(0x1F, status, false);
  dac.EcntCtrl2.writeEcntRst(7, status, true).writeEcntEna(1, status, false);
  dac.EqConfigLanes_4_5.writeSpiEqConfigLaneY(0x3A, status, false);
  dac.EcntStat5.writeEcntTch(2, status, false);
  dac.TermOffsetLane3.writeTermOffsetLaneX(0x15, status, false);
  dac.PrivateInit_604.writeBit0(true, status, false);
  EXPECT_EQ(board.bar0().traffic(),
            (std::vector<BusAccess>{wrote(0x482, 0x3F), wrote(0x482, 0x3F), wrote(0x482, 0x0F), wrote(0x252, 0xA8),
                                    wrote(0x495, 0x02), wrote(0x2BE, 0x05), wrote(0x604, 0x01)}));
  EXPECT_EQ(dac.PrivateInit_604.readRegister(status), 0x3u);  // the chip reports its start-up done
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
