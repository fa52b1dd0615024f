// One LO path's power primitive over the board model: what a reduction and
// a full commit write for each kind of change, when settling is
// programmed, the resync after a list abort and entries with an error.
#include "driver/rf/primitives/lo/PowerPrimitive.h"
#include "tests/rf/primitives/LoPathFixture.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::PowerPrimitive;
using vl9738settings::PowerSettings;
using Writes = std::vector<std::pair<uint64_t, uint32_t>>;

constexpr uint64_t kAttenuator = 0x8120, kData1 = 0x8200 + 4 * 0x14E, kData0 = 0x8200 + 4 * 0x14F;

class PowerOnBoard : public LoPathOnBoard {
 protected:
  // Committed at attenuator 100, amplitude 0x4000; traffic cleared.
  void SetUp() override {
    primitive.applyDefaults(status);
    run(&PowerPrimitive::commit, PowerSettings(0, 0, 0, 0x4000, 100));
  }
  Writes run(void (PowerPrimitive::*step)(tStatus&), const PowerSettings& settings) {
    startRecording();
    primitive.setRequested(settings, status);
    (primitive.*step)(status);
    Writes found;
    for (const BusAccess& access : writesIn(board.bar0().traffic()))
      found.emplace_back(access.offset - kWindow, access.value);
    return found;
  }

  PowerPrimitive primitive{&lo.BoardCtrlRegMap, &lo.Ad9162RegMap, &settling};
};

struct Change {
  const char* name;
  uint16_t amplitude;
  uint8_t attenuator;
  Writes reduction, rest;
  size_t settlingCalls;
};

class PowerChanges : public PowerOnBoard, public testing::WithParamInterface<Change> {};

TEST_P(PowerChanges, AReductionWritesOnlyWhatLowersThePowerAndTheCommitTheRest) {
  const Change& c = GetParam();
  const PowerSettings requested(0, 3, 4, c.amplitude, c.attenuator);
  EXPECT_EQ(run(&PowerPrimitive::applyPowerReductions, requested), c.reduction);
  EXPECT_EQ(run(&PowerPrimitive::commit, requested), c.rest);
  EXPECT_EQ(settlingCalls().size(), c.settlingCalls);
  for (const auto& call : settlingCalls()) EXPECT_EQ(call, std::pair(3u, 4u));
  EXPECT_EQ(status.getCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PowerChanges,
    testing::Values(Change{"Equal", 0x4000, 100, {}, {}, 0},
                    Change{"LessAttenuationMoreAmplitude", 0x5000, 50, {}, {{kAttenuator, 50}, {kData1, 0x50}}, 1},
                    Change{"BothUp", 0x5000, 120, {{kAttenuator, 120}}, {{kData1, 0x50}}, 1},
                    Change{"AmplitudeDown", 0x3F10, 100, {{kData1, 0x3F}, {kData0, 0x10}}, {}, 0},
                    // 128 is written as its low 7 bits, 0: no attenuation at all.
                    Change{"AttenuatorAbove127", 0x4000, 128, {}, {{kAttenuator, 0}}, 1}),
    [](const testing::TestParamInfo<Change>& info) { return info.param.name; });

TEST_F(PowerOnBoard, AfterAListAbortReductionsReReadAndACommitRewritesAll) {
  const PowerSettings same(0, 3, 4, 0x4000, 100);
  primitive.onListAbort(status);
  run(&PowerPrimitive::applyPowerReductions, same);
  EXPECT_EQ(std::tuple(reads(), writes(), primitive.needsResync()), std::tuple(size_t{3}, size_t{0}, true));
  EXPECT_EQ(run(&PowerPrimitive::commit, same), (Writes{{kAttenuator, 100}, {kData1, 0x40}, {kData0, 0}}));
  EXPECT_EQ(std::tuple(settlingCalls().size(), primitive.needsResync()), std::tuple(size_t{0}, false));
  run(&PowerPrimitive::applyPowerReductions, same);
  EXPECT_EQ(reads() + writes(), 0u);
}

TEST_F(PowerOnBoard, EntriesWithAnErrorWriteNothing) {
  tStatus failed;
  failed.setCode(-52006, "vl9738k", __FILE__, __LINE__);
  primitive.setRequested(PowerSettings(0, 3, 4, 1, 1), status);
  startRecording();
  primitive.resetToDefaults(failed);
  primitive.applyDefaults(failed);
  EXPECT_EQ(std::tuple(writes(), primitive.getRequested().attenuator_FxP, failed.getCode()),
            std::tuple(size_t{0}, uint8_t{1}, int64_t{-52006}));
  primitive.resetToDefaults(status);
  EXPECT_EQ(std::tuple(model().loBoardControl(0, 0), chip.reg(0x14E), chip.reg(0x14F)), std::tuple(0x7Fu, 0x7F, 0xFF));
}

}  // namespace
