// The timer block's maps: a PLL counter and a settling timer on the board,
// and the passes of the timer map that holds two of the one and nine of
// the other.
#include "driver/regmaps/timing/tQRTPLLCounterRegisters.h"
#include "driver/regmaps/timing/tQRTSettlingTimerRegisters.h"
#include "driver/regmaps/timing/tQRTTimerRegisters.h"
#include "sim/board/TimerBlockModel.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using nQRTPLLCounterRegisters::tQRTPLLCounterRegisters;
using nQRTSettlingTimerRegisters::tQRTSettlingTimerRegisters;
namespace st = nVLAPALS100;

class TimerMapsOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override { bind(timer, 9, 0x400, 1680); }
  sim::TimerBlockModel timer{0x400};
};

TEST_F(TimerMapsOnBoard, ThePllCounterGoesStraightToTheBlockAndHasNoShadowToServe) {
  tQRTPLLCounterRegisters map(&*binding, 0x30, 0, 16);
  timer.setValue(timer.pllCounter(0, 1), 0xFFFFFFF3);
  EXPECT_EQ(map.IsSettled.readRegister(status), 0xFFFFFFF3u) << "the whole word";
  map.write(0x00000003, 0x1FFFFFFFF, false, status, 0);
  EXPECT_EQ(timer.writes(), (std::vector<Entry>{wrote(timer.pllCounter(0, 3), 0xFFFFFFFF)}));
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(0x80000003, value, s, 0); }), st::kStatusInvalidParameter);
  const Format unknown = formatOf(map, 0x80000001, 4);
  EXPECT_EQ(std::pair(unknown.code, unknown.count), std::pair(int64_t{st::kStatusNotSupported}, 0u))
      << "bit 30 is part of the key";
  EXPECT_EQ(formatOf(map, 0xC0000002, 0).code, st::kStatusLookupFailure);
}

TEST_F(TimerMapsOnBoard, SettlingTimerWritesCutToTheFieldAndSkipWhatIsAlreadyWritten) {
  tQRTSettlingTimerRegisters map(&*binding, 0x20, 0, 16);
  const uint32_t control = timer.settlingTimer(1, 5);
  map.write(0x06000005, 1, false, status, 0);
  map.write(0x06000005, 1, false, status, 0);
  map.write(0x80000004, 0xFF, false, status, 0);
  map.write(0x00000004, 0xFF, false, status, 0);
  map.write(0x04000005, 2, false, status, 0);  // cut to one bit: 0, no change
  EXPECT_EQ(timer.writes(), (std::vector<Entry>{wrote(control, 0x01000000), wrote(timer.settlingTimer(1, 4), 0xFF),
                                                wrote(timer.settlingTimer(1, 4), 1)}));
  map.write(0x80000005, 0xFFFFFFFF, false, status, 0);
  map.Control.writeMode(0, status, false);
  EXPECT_EQ(timer.value(control), 0xFFFFFF00u) << "bits of no field stay";
  timer.setValue(control, 0x100);
  EXPECT_TRUE(map.Control.readEnable(status));
  EXPECT_FALSE(map.Control.readCodeValid(status));
  EXPECT_EQ(status.getCode(), 0);
}

TEST(TimerMapPasses, ReachEverySettlingTimerInOrderPastFailuresAndKeepTheFirstError) {
  RecordingTarget target;
  nQRTTimerRegisters::tQRTTimerRegisters map(&target, 0, 0, 0xFFFFFFFF);
  target.failures = {{1, -7}, {0xE5, -9}};
  tStatus refreshed{tStatus::kFullSize};
  map.refreshRegMap(refreshed);
  EXPECT_EQ(refreshed.getCode(), -7);
  EXPECT_EQ(target.addresses(),
            (std::vector<uint32_t>{0, 1, 2, 0x15, 0x25, 0x65, 0xA5, 0xE5, 0x125, 0x165, 0x1A5, 0x1E5}));

  target.log.clear();
  target.failures = {{0x15, -9}, {0x65, -7}};
  map.markDirtyRegMap();
  tStatus flushed{tStatus::kFullSize};
  map.flushRegMap(false, flushed);
  EXPECT_EQ(flushed.getCode(), -9);
  EXPECT_EQ(target.addresses(), (std::vector<uint32_t>{0x15, 0x25, 0x65, 0xA5, 0xE5, 0x125, 0x165, 0x1A5, 0x1E5}));
  EXPECT_TRUE(map.SettlingTimer0.Control.isDirty()) << "a failed write is retried by the next flush";
  EXPECT_FALSE(map.SettlingTimer1.Control.isDirty());
  target.log.clear();
  tStatus forced{tStatus::kFullSize};
  map.flushRegMap(true, forced);
  EXPECT_EQ(target.log.size(), 9u) << "forced: the nine control words, nothing else";

  uint64_t value = 0;
  for (uint32_t id : {0x80000001u, 0x80000005u}) {  // neither the wrong class nor a sub-map's id
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(id, value, s, 0); }), st::kStatusInvalidParameter);
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0xC0000000, true, s, 0); }), st::kStatusInvalidParameter);
}

}  // namespace
