// The list engine's map on the board. (Every id of the timing tables is
// recomputed from its key, lowest bit and read-only bit by the generator,
// against the printed ids each table lists.)
#include "driver/regmaps/timing/tQRTListModeRegisters.h"
#include "sim/board/ListEngineModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using vlqrtlistmoderegmap::tQRTListModeRegisters;
using L = sim::ListEngineModel;

class ListModeMapOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override { bind(engine, 10, 0, 2404); }
  L engine;
};

TEST_F(ListModeMapOnBoard, StartsDirtyAndStoresOneBitFieldsAsNonZero) {
  tQRTListModeRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.set(0x10000003, 7, status, 0);
  EXPECT_EQ(map.Control.getValue(), 0x4u);
  map.set(0x01000004, 0x1FFFFFFFF, status, 0);
  map.flushRegMap(false, status);
  EXPECT_EQ(engine.writes(), (std::vector<Entry>{wrote(L::kControl, 4), wrote(L::kListLocation, 0xFFFFFFFF00000000),
                                                 wrote(L::kRegister5, 0), wrote(L::kRegister6, 0)}));
  map.set(0x10000003, 7, status, 0);
  EXPECT_FALSE(map.Control.isDirty()) << "an equal value changes nothing";
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
