// The DAC map behind the LO0 CPLD (fixed-logic 0x8200) over the board
// model's AD9162: its field formats and field writers. Its passes and
// by-id cases run with the other CPLD leaf maps.
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
  Dac dac{&fixedLogic, kBase, 0, 0x2004};
};

// A field id of SpiInitConfigA lists its eight one-bit fields.
TEST_F(Ad9162OnBoard, FieldIdFormatsListTheFields) {
  EXPECT_EQ(formatOf(dac, 0x2040C9F1, 8).masks, (std::vector<uint64_t>{1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80}));
}

TEST_F(Ad9162OnBoard, FieldWritersWriteAtOnceWhatChangedOrIsForced) {
  dac.flushRegMap(true, status);
  dac.EcntCtrl2.writeEcntRst(0, status, false);  // bits 2:0 no longer 7
  startRecording();
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
