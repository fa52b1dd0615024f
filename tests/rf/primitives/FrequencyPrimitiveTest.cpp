// One LO path's frequency primitive over the board model: the DAC start-up
// and the NCO it leaves, the bus traffic of single changes, the resync after
// a list abort, and the die-temperature sum.
#include <gmock/gmock.h>

#include "driver/listmode/CommandControl.h"
#include "driver/listmode/pcode/Assembler.h"
#include "driver/rf/primitives/lo/Ad9162Startup.h"
#include "driver/rf/primitives/lo/FrequencyPrimitive.h"
#include "sim/kernel/Clock.h"
#include "tests/rf/primitives/LoPathFixture.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::FrequencyPrimitive;
using vl9738settings::FrequencySettings;
using Writes = std::vector<std::pair<unsigned, uint32_t>>;

constexpr int64_t kStartUpFailed = static_cast<int32_t>(0xBFFA9176u);
constexpr unsigned kDllCtrl = 0x091, kFtwUpdate = 0x113, kPhaseOffset0 = 0x11C, kPhaseOffset1 = 0x11D;

class FrequencyOnBoard : public LoPathOnBoard {
 protected:
  // Powered up, shadows clean, traffic cleared.
  void powerUp() {
    primitive.applyDefaults(status);
    ASSERT_EQ(status.getCode(), 0);
    startRecording();
  }
  void commit(const FrequencySettings& settings) {
    primitive.setRequested(settings, status);
    primitive.commit(status);
  }
  static FrequencySettings withSettling(FrequencySettings s) {
    for (uint32_t i = 0; i < vl9738settings::SettlingTimes::kCount; ++i) {
      s.settlingTimes0.time[i] = 10 + i;
      s.settlingTimes1.time[i] = 100 - i;
    }
    return s;
  }

  FrequencyPrimitive primitive{&ref.Lo0RefClkToLoRegMap, &lo.Ad9162RegMap, &lo.BoardCtrlRegMap, &settling, &wait};
};

TEST_F(FrequencyOnBoard, PowerUpRunsTheStartUpSequenceThenTheDefaults) {
  primitive.applyDefaults(status);
  const Writes writes = dacWrites();
  std::vector<uint32_t> values;
  for (size_t i = 0; i < 22; ++i) values.push_back(writes.at(i).second);
  EXPECT_EQ(values, (std::vector<uint32_t>{0x18, 0x52, 0xD2, 0x02, 0x00, 0x01, 0x03, 0x1E, 0x00, 0x00, 0x85,
                                           0xF1, 0x20, 0xA1, 0x80, 0x45, 0x02, 0x1F, 0x01, 0x04, 0x02, 0x00}));
  EXPECT_EQ(chip.startUpReadTimes().size(), 1u);
  EXPECT_EQ(chip.nco(), (sim::Ad9162::Nco{0xBBBBBBBBBBBB, 11, 15}));
  EXPECT_EQ(std::tuple(ref.Lo0RefClkToLoRegMap.RefClkToLo.isDirty(), model().refCpld().refClkToLo(0),
                       model().loBoardControl(0, 1)),
            std::tuple(false, 3u, 0x02000100u));
  EXPECT_EQ(status.getCode(), 0);

  // A second start-up over clean shadows pulses the private register only.
  startRecording();
  nVL9738K_24_0::initializeDac(lo.Ad9162RegMap, status);
  EXPECT_EQ(dacWrites(), (Writes{{0x0D2, 0x52}, {0x0D2, 0xD2}}));
  EXPECT_EQ(status.getCode(), 0);
}

class HandshakeReads : public FrequencyOnBoard, public testing::WithParamInterface<unsigned> {};

TEST_P(HandshakeReads, TheHandshakeEndsAtTheReadThatShowsDone) {
  chip.setStartUpReadsBeforeDone(GetParam());
  primitive.applyDefaults(status);
  EXPECT_EQ(chip.startUpReadTimes().size(), GetParam());
  EXPECT_EQ(std::tuple(status.getCode(), chip.nco().accModulus), std::tuple(int64_t{0}, uint64_t{15}));
}

INSTANTIATE_TEST_SUITE_P(Reads, HandshakeReads, testing::Values(1u, 2u, 5u));

TEST_F(FrequencyOnBoard, AHandshakeThatNeverCompletesStopsAfterItsTimeAndLeavesTheRequestAlone) {
  chip.holdStartUp(true);
  const FrequencySettings a = vl9738settings::frequencyPreset(0);
  primitive.setRequested(a, status);
  primitive.applyDefaults(status);
  EXPECT_EQ(status.getCode(), kStartUpFailed);
  const std::vector<uint64_t> reads = chip.startUpReadTimes();
  ASSERT_GE(reads.size(), 2u);
  EXPECT_LT(reads[reads.size() - 2] - reads.front(), 3'000'000u);
  EXPECT_GE(reads.back() - reads.front(), 3'000'000u);
  EXPECT_EQ(std::tuple(writes(), dacWrites().back().first), std::tuple(size_t{6}, 0x604u));
  EXPECT_EQ(primitive.getRequested(), a);
}

TEST_F(FrequencyOnBoard, ATuningWordChangeWritesTheChangedBytesAndTheStrobePairAndProgramsEntryZero) {
  powerUp();
  FrequencySettings s = withSettling(primitive.getDefault());
  commit(s);
  EXPECT_EQ(writes() + reads(), 0u);
  EXPECT_TRUE(settlingCalls().empty());

  s.ftw ^= 0x0000FF000000;
  const uint64_t updates = chip.ncoUpdates();
  commit(s);
  EXPECT_EQ(dacWrites(), (Writes{{0x117, 0xBB ^ 0xFF}, {kFtwUpdate, 1}, {kFtwUpdate, 0}}));
  EXPECT_EQ(std::tuple(writes(), reads(), chip.ncoUpdates() - updates, chip.nco().ftw),
            std::tuple(size_t{3}, size_t{0}, uint64_t{1}, s.ftw));
  EXPECT_EQ(settlingCalls(), (std::vector<std::pair<uint32_t, uint32_t>>{{10, 100}}));

  startRecording();
  s.phaseOffset = 0x1234;
  commit(s);
  EXPECT_EQ(dacWrites(), (Writes{{kPhaseOffset1, 0x12}, {kPhaseOffset0, 0x34}}));
  EXPECT_EQ(settlingCalls().size(), 1u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FrequencyOnBoard, AReferenceChangeStopsTheDllForFiftyMicrosecondsOrRecordsOneDelay) {
  powerUp();
  FrequencySettings s = withSettling(primitive.getDefault());
  s.refClkToLoCtrl = 1;
  s.signalPathField8 = 2;
  const uint64_t start = sim::Clock::instance().nowNs();
  commit(s);
  const std::vector<BusAccess> traffic = writesIn(board.bar0().traffic());
  EXPECT_EQ(offsetsOf(traffic), (std::vector<uint64_t>{at(kDac + 4 * kDllCtrl), at(kBoardCtrl + 4), at(kRefClkToLo),
                                                       at(kDac + 4 * kDllCtrl)}));
  EXPECT_EQ(std::tuple(traffic[0].value, traffic[2].value, traffic[3].value), std::tuple(0xF0u, 1u, 0xF1u));
  EXPECT_GE(sim::Clock::instance().nowNs() - start, 50'000u);
  // Entries 2 (reference) and 5 (signal-path bits 10..8), each timer its own maximum.
  EXPECT_EQ(settlingCalls(), (std::vector<std::pair<uint32_t, uint32_t>>{{15, 98}}));

  // Recorded: one delay of 50 us (40 ticks each) and no time passes.
  listmodek::pcode::Assembler list{status};
  list.setCapabilities(listmodek::CommandControl::traitsOf(0x28'00'01'32'01));
  list.open(status);
  const uint64_t before = list.getBuffer().count, now = sim::Clock::instance().nowNs();
  wait.onStartCommitSnooping(&list, status);
  s.refClkToLoCtrl = 2;
  commit(s);
  wait.onStopCommitSnooping(status);
  const std::vector<uint64_t> words(list.getBuffer().data + before, list.getBuffer().data + list.getBuffer().count);
  EXPECT_THAT(words, testing::UnorderedElementsAre(2000u, 0x0001010000000000u));
  EXPECT_LT(sim::Clock::instance().nowNs() - now, 50'000u);
  EXPECT_EQ(model().refCpld().refClkToLo(0), 2u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FrequencyOnBoard, AfterAListAbortAnUnchangedCommitRewritesEveryFieldWrittenRegister) {
  powerUp();
  primitive.onListAbort(status);
  commit(primitive.getDefault());
  Writes expected{{kDllCtrl, 0xF1}, {kPhaseOffset1, 0}, {kPhaseOffset0, 0}, {0x041, 3}, {0x042, 0xFF}};
  for (unsigned first : {0x114u, 0x12Au, 0x124u}) {
    for (int k = 5; k >= 0; --k) expected.emplace_back(first + k, chip.reg(first + k));
  }
  expected.insert(expected.end(), {{kFtwUpdate, 1}, {kFtwUpdate, 0}});
  EXPECT_EQ(dacWrites(), expected);
  EXPECT_EQ(writes(), expected.size() + 3);
  EXPECT_TRUE(settlingCalls().empty());
  EXPECT_FALSE(primitive.needsResync());
  startRecording();
  commit(primitive.getDefault());
  EXPECT_EQ(writes(), 0u);
}

TEST_F(FrequencyOnBoard, DieTemperatureSumsAreExactOrRefused) {
  uint32_t sum = 7, divisor = 7;
  chip.setDieTemperatureCode(34250);
  primitive.readDacTemperatureSum(1, sum, divisor, status);
  EXPECT_EQ(std::tuple(status.getCode(), sum, divisor, sum / divisor), std::tuple(int64_t{0}, 1'096'000u, 34250u, 32u));

  startRecording();
  struct Case {
    uint32_t n;
    int64_t code;
    uint32_t sum, divisor;
    size_t reads;
  };
  // 0xFFFF reads 8,041,270 each: 267 of them still fit a signed 32-bit sum.
  chip.setDieTemperatureCode(0xFFFF);
  for (const Case& c :
       {Case{0, static_cast<int32_t>(0xBFFA9178u), 0, 0, 0}, Case{125'401, static_cast<int32_t>(0xBFFA916Eu), 0, 1, 0},
        Case{300, static_cast<int32_t>(0xBFFA916Eu), 267 * 8'041'270u, 300 * 34250u, 2 * 268}}) {
    tStatus local;
    primitive.readDacTemperatureSum(c.n, sum, divisor, local);
    EXPECT_EQ(std::tuple(local.getCode(), sum, divisor, reads()), std::tuple(c.code, c.sum, c.divisor, c.reads));
  }
}

}  // namespace
