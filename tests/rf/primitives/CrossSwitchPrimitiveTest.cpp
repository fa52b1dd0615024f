// The cross switch on the LO1 CPLD of the board model: the mode written,
// when the register is written at all, and when the settling timers are set.
#include <vector>

#include "driver/rf/primitives/CrossSwitchPrimitive.h"
#include "tests/rf/primitives/LoPathFixture.h"

namespace vltest {
namespace {

class CrossSwitch : public FixedLogicOnBoard {
 protected:
  void request(uint8_t mode, uint32_t time0, uint32_t time1) {
    primitive.setRequested(vl9738settings::CrossSwitchSettings(0, time0, time1, mode), status);
    primitive.apply(status);
  }
  std::vector<uint64_t> switchWrites() {
    std::vector<uint64_t> values;
    for (const BusAccess& a : writesIn(board.bar0().traffic()))
      if (a.offset == at(sim::FixedLogic::kCrossSwitch)) values.push_back(a.value);
    return values;
  }

  RecordingControl control0, control1;
  cbak::SettlingTimerHandler handler{&control0, &control1};
  nCxSwCtrlRegMap::tCxSwCtrlRegMap map{&fixedLogic, sim::FixedLogic::kCrossSwitch, 0, 0x20};
  nVL9738K_24_0::CrossSwitchPrimitive primitive{map, &handler};
};

TEST_F(CrossSwitch, WritesFiveModeBitsWhenChangedAndSetsTheTimersOnlyThen) {
  // The register starts dirty: the reset mode is written, with no timer.
  primitive.applyDefaults(status);
  EXPECT_EQ(model().crossSwitch(), 4u);
  EXPECT_TRUE(control0.written.empty() && control1.written.empty());
  request(37, 0, 7);
  EXPECT_EQ(model().crossSwitch(), 5u);
  EXPECT_EQ(control0.written, (std::vector<uint32_t>{0}));
  EXPECT_EQ(control1.written, (std::vector<uint32_t>{7}));
  request(5, 0, 7);
  EXPECT_EQ(switchWrites(), (std::vector<uint64_t>{4, 5}));
  EXPECT_EQ(control1.written.size(), 1u);
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
}  // namespace vltest
