// The bridge chip's core register map over the board model's BAR 0.
#include "driver/regmaps/bridge/tOstervaneWexelCoreRegMap.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap;

class WexelCoreRegMap : public RegisterMapOnBoard {
 protected:
  tOstervaneWexelCoreRegMap map{&bar0, 0, 0, 0xFFFFFFFF};
};

// An enabled interrupt request of the FPGA waits: the first status register
// shows the output asserted and the waiting source, the second hands out
// the waiting status word; neither can be written.
TEST_F(WexelCoreRegMap, TheTwoInterruptStatusRegistersReportAWaitingRequest) {
  map.InterruptMask.writeBit31(true, status, false);
  map.InterruptMask.writeBit9(true, status, false);
  board.bridge().interrupts().raiseSource(sim::InterruptController::kSourceIrq);
  map.refreshRegMap(status);
  EXPECT_EQ(map.InterruptStatus[0].getValue(), 0x80000200u);
  EXPECT_EQ(map.InterruptStatus[1].getValue(), 0x200u);
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t id : {0xC0000060u, 0xC0000068u}) {
    tStatus refused;
    map.flush(id, true, refused, 0);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  }
}

}  // namespace
