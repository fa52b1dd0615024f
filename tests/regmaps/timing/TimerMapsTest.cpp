// The timer block's maps on the board: a PLL counter and a settling timer
// alone, and the timer map that holds two of the one and nine of the other.
#include <array>
#include <map>

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/regmaps/timing/tQRTPLLCounterRegisters.h"
#include "driver/regmaps/timing/tQRTSettlingTimerRegisters.h"
#include "driver/regmaps/timing/tQRTTimerRegisters.h"
#include "sim/board/TimerBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using nQRTPLLCounterRegisters::tQRTPLLCounterRegisters;
using nQRTSettlingTimerRegisters::tQRTSettlingTimerRegisters;
using nQRTTimerRegisters::tQRTTimerRegisters;
namespace st = nVLAPALS100;

constexpr uint32_t kTimerOffset = 0x400;

class TimerMapsOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override { bind(timer, 9, kTimerOffset, 1680); }

  tQRTPLLCounterRegisters pllCounter(uint32_t windowStart = 0, uint32_t windowSize = 16) {
    return tQRTPLLCounterRegisters(&*binding, 0x30, windowStart, windowSize);
  }

  sim::TimerBlockModel timer{kTimerOffset};
};

TEST_F(TimerMapsOnBoard, PllCounterOutsideItsWindowAnswersAllOnesOfTheIdsWidthAndTouchesNothing) {
  auto map = pllCounter(0, 1);  // index 0 only: every register lies outside
  struct Case {
    uint32_t id;
    uint64_t value;
  };
  for (Case c : {Case{0x40000001, 1}, Case{0xC0000001, 0xFFFFFFFF}, Case{0xC0000002, 0xFFFFFFFF},
                 Case{0x40000002, 0xFFFFFFFF}, Case{0x00000003, 0xFFFFFFFF}}) {
    uint64_t value = 0;
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(c.id, value, s, 0); }), st::kStatusNotAccessible) << c.id;
    EXPECT_EQ(value, c.value) << c.id;
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.write(0x80000003, 5, false, s, 0); }), st::kStatusNotAccessible);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0x80000003, true, s, 0); }), 0);
  EXPECT_EQ(map.IsSettled.readRegister(status), 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), st::kStatusNotAccessible);
  EXPECT_TRUE(model.executed().empty());
}

TEST_F(TimerMapsOnBoard, PllCounterReadsAndWritesStraightToTheBlockAndHasNoShadowToServe) {
  auto map = pllCounter();
  timer.setValue(timer.pllCounter(0, 1), 0xFFFFFFF3);
  timer.setValue(timer.pllCounter(0, 2), 0x12345678);
  uint64_t value = 0;
  map.read(0x40000001, value, status, 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(map.IsSettled.readRegister(status), 0xFFFFFFF3u) << "the whole word, not the flag";
  map.read(0xC0000002, value, status, 0);
  EXPECT_EQ(value, 0x12345678u);
  map.write(0x00000003, 0x1FFFFFFFF, false, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(timer.writes(), (std::vector<Entry>{wrote(timer.pllCounter(0, 3), 0xFFFFFFFF)}));

  for (uint32_t id : {0xC0000001u, 0x40000001u, 0xC0000002u, 0x80000003u, 0x00000003u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(id, value, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.set(id, 1, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.refresh(id, s, 0); }), st::kStatusInvalidParameter);
  }
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0x00000003, false, s, 0); }), 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(0xC0000001, false, s, 0); }), st::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.write(0xC0000002, 1, true, s, 0); }), st::kStatusInvalidParameter);
  timer.clearLog();
  map.flushRegMap(true, status);
  map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(timer.log().empty());
  EXPECT_STREQ(map.getVersion(), "");
  EXPECT_STREQ(map.getOldestCompatibleVersion(), "");
}

TEST_F(TimerMapsOnBoard, RegisterFormatsFollowTheKeyWithItsReadOnlyBit) {
  auto map = pllCounter();
  std::array<arm::FieldType, 4> types{};
  std::array<uint64_t, 4> masks{};
  uint32_t count = 4;
  map.getRegisterFormat(0x40000001, count, types.data(), masks.data(), status);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(types[0], arm::FieldType(0));
  EXPECT_EQ(masks[0], 1u);
  count = 4;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.getRegisterFormat(0x80000001, count, types.data(), masks.data(), s); }),
            st::kStatusNotSupported);
  EXPECT_EQ(count, 0u);
  for (uint32_t id : {0xC0000001u, 0xC0000002u, 0x80000003u}) {
    count = 0;
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.getRegisterFormat(id, count, types.data(), masks.data(), s); }),
              st::kStatusLookupFailure);
  }

  tQRTSettlingTimerRegisters settling(&*binding, 0x10, 0, 16);
  count = 4;
  settling.getRegisterFormat(0x06000005, count, types.data(), masks.data(), status);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(masks, (std::array<uint64_t, 4>{0xFF, 0x100, 0xFF0000, 0x1000000}));
  EXPECT_EQ(types, (std::array<arm::FieldType, 4>{arm::FieldType(1), arm::FieldType(0), arm::FieldType(1),
                                                  arm::FieldType(0)}));
}

TEST_F(TimerMapsOnBoard, SettlingTimerWritesCutToTheFieldAndSkipWhatIsAlreadyWritten) {
  tQRTSettlingTimerRegisters map(&*binding, 0x20, 0, 16);
  const uint32_t control = timer.settlingTimer(1, 5);
  map.write(0x06000005, 1, false, status, 0);
  map.write(0x06000005, 1, false, status, 0);
  map.write(0x80000004, 0xFF, false, status, 0);
  map.write(0x00000004, 0xFF, false, status, 0);
  map.write(0x04000005, 2, false, status, 0);  // cut to one bit: 0, no change
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(timer.writes(), (std::vector<Entry>{wrote(control, 0x01000000), wrote(timer.settlingTimer(1, 4), 0xFF),
                                                wrote(timer.settlingTimer(1, 4), 1)}));
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80000004, value, s, 0); }), st::kStatusInvalidParameter);

  // Bits that no field covers stay through field writes.
  map.write(0x80000005, 0xFFFFFFFF, false, status, 0);
  map.write(0x00000005, 0, false, status, 0);
  EXPECT_EQ(timer.value(control), 0xFFFFFF00u);
  map.Control.writeCode(0x12, status, false);
  EXPECT_EQ(timer.value(control), 0xFF12FF00u);

  timer.setValue(control, 0x100);
  EXPECT_TRUE(map.Control.readEnable(status));
  EXPECT_FALSE(map.Control.readCodeValid(status));
  map.get(0x00000005, value, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(value, 0u);
}

TEST_F(TimerMapsOnBoard, TimerMapPassesReachTheSettlingTimersInOrder) {
  tQRTTimerRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.flushRegMap(true, status);
  std::vector<uint32_t> controls;
  for (unsigned n = 0; n < 9; ++n) controls.push_back(timer.settlingTimer(n, 5));
  EXPECT_EQ(addressesOf(timer.log(), false), controls);

  timer.clearLog();
  timer.setValue(kTimerOffset + 1, 0xABCD);
  timer.setValue(timer.settlingTimer(8, 5), 0x1000100);
  map.refreshRegMap(status);
  std::vector<uint32_t> reads{kTimerOffset, kTimerOffset + 1, kTimerOffset + 2};
  for (uint32_t hardware : {0x15u, 0x25u, 0x65u, 0xA5u, 0xE5u, 0x125u, 0x165u, 0x1A5u, 0x1E5u}) {
    reads.push_back(kTimerOffset + hardware);
  }
  EXPECT_EQ(addressesOf(timer.log(), true), reads);
  EXPECT_EQ(map.Register1.getValue(), 0xABCDu);
  EXPECT_EQ(map.SettlingTimer8.Control.getValue(), 0x1000100u);

  // Marked dirty, an unforced flush writes the nine control words again.
  timer.clearLog();
  map.flushRegMap(false, status);
  EXPECT_TRUE(timer.log().empty());
  map.markDirtyRegMap();
  map.flushRegMap(false, status);
  EXPECT_EQ(addressesOf(timer.log(), false), controls);
  EXPECT_EQ(status.getCode(), 0);

  map.reinitialize();
  EXPECT_EQ(map.SettlingTimer8.Control.getValue(), 0u);
  EXPECT_EQ(map.PllCounter1.Count.getRegisterAddress(), 0x73u);
}

TEST_F(TimerMapsOnBoard, TimerMapServesOnlyItsOwnReadOnlyRegisters) {
  tQRTTimerRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  timer.setValue(kTimerOffset + 2, 0x77);
  uint64_t value = 0;
  map.read(0x40000002, value, status, 0);
  EXPECT_EQ(value, 0x77u);
  map.get(0xC0000002, value, status, 0);
  EXPECT_EQ(value, 0x77u);
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t id : {0x80000001u, 0x80000005u, 0x06000005u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.get(id, value, s, 0); }), st::kStatusInvalidParameter) << id;
    EXPECT_EQ(value, 0u);
  }
  for (uint32_t id : {0xC0000000u, 0x40000001u, 0x80000005u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.set(id, 1, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.write(id, 1, true, s, 0); }), st::kStatusInvalidParameter);
    EXPECT_EQ(codeAfter([&](tStatus& s) { map.flush(id, true, s, 0); }), st::kStatusInvalidParameter);
  }
}

// A target that fails the accesses to chosen addresses (the port would
// refuse every instruction after a failed one until it is reset) and logs
// every access.
class FailingTarget : public arm::IRegisterInstructionTarget {
 public:
  uint64_t read64(uint32_t address, tStatus& status) override { return access(address, status); }
  uint32_t read32(uint32_t address, tStatus& status) override { return static_cast<uint32_t>(access(address, status)); }
  void write64(uint32_t address, uint64_t, tStatus& status) override { access(address, status); }
  void write32(uint32_t address, uint32_t, tStatus& status) override { access(address, status); }

  std::map<uint32_t, int32_t> failures;
  std::vector<uint32_t> log;

 private:
  uint64_t access(uint32_t address, tStatus& status) {
    log.push_back(address);
    if (auto found = failures.find(address); found != failures.end()) status.setCode(found->second, VL_SITE);
    return 0;
  }
};

// One failing member does not stop a pass; the caller keeps the first error.
TEST(TimerMapPasses, ContinuePastFailuresAndKeepTheFirstError) {
  FailingTarget target;
  tQRTTimerRegisters map(&target, 0, 0, 0xFFFFFFFF);
  target.failures = {{1, -7}, {0xE5, -9}};
  tStatus status{tStatus::kFullSize};
  map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), -7);
  EXPECT_EQ(target.log, (std::vector<uint32_t>{0, 1, 2, 0x15, 0x25, 0x65, 0xA5, 0xE5, 0x125, 0x165, 0x1A5, 0x1E5}));

  tStatus flushStatus{tStatus::kFullSize};
  target.log.clear();
  target.failures = {{0x15, -9}, {0x65, -7}};
  map.markDirtyRegMap();
  map.flushRegMap(false, flushStatus);
  EXPECT_EQ(flushStatus.getCode(), -9);
  EXPECT_EQ(target.log, (std::vector<uint32_t>{0x15, 0x25, 0x65, 0xA5, 0xE5, 0x125, 0x165, 0x1A5, 0x1E5}));
  EXPECT_TRUE(map.SettlingTimer0.Control.isDirty()) << "a failed write is retried by the next flush";
  EXPECT_FALSE(map.SettlingTimer1.Control.isDirty());
}

TEST_F(TimerMapsOnBoard, AReadTheBlockNeverAnswersTimesOutAndKeepsTheShadow) {
  tQRTSettlingTimerRegisters map(&*binding, 0x10, 0, 16);
  map.write(0x80000005, 0x55, false, status, 0);
  timer.timeOutAt(timer.settlingTimer(0, 5));
  uint64_t value = 0;
  EXPECT_EQ(codeAfter([&](tStatus& s) { map.read(0x80000005, value, s, 0); }), vlifw::codes::kReadTimedOut);
  EXPECT_EQ(value, 0x55u);
}

TEST_F(TimerMapsOnBoard, NothingHappensOnAStatusThatAlreadyHoldsAnError) {
  tQRTTimerRegisters map(&*binding, 0, 0, 0xFFFFFFFF);
  map.markDirtyRegMap();
  status.setCode(-1, VL_SITE);
  uint64_t value = 9;
  map.read(0xC0000000, value, status, 0);
  map.refreshRegMap(status);
  map.flushRegMap(true, status);
  map.SettlingTimer2.write(0x80000005, 3, true, status, 0);
  EXPECT_EQ(map.PllCounter0.IsSettled.readRegister(status), 0xFFFFFFFFu);
  EXPECT_EQ(value, 9u);
  EXPECT_EQ(map.SettlingTimer2.Control.getValue(), 0u);
  EXPECT_TRUE(model.executed().empty());
}

}  // namespace
