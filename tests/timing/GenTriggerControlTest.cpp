// The generation engine's trigger control on its block: which register each
// id reaches, the fullness trigger, strobed software triggers, and the
// shadow-and-write rule (one write per change, none for a repeat).
#include <functional>

#include "driver/timing/GenTriggerControl.h"
#include "sim/board/EngineBlockModel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using qrtifwprim::GenTriggerControl;
namespace st = nVLAPALS100;

// The configuration the engine resources give their default trigger.
constexpr trigki::TriggerConfiguration kDefaultTrigger{2, 1, 0, 3, 0};
constexpr vlfxptype::Configuration kPulseWidthFormat{0, 32, 16};
constexpr vlfxptype::Number kTwenty{0x140000, kPulseWidthFormat};

class GenTriggerControlOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    bind(block, 11, 0, 2402);
    map.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    control.emplace(&*map);
  }
  sim::EngineBlockModel block{sim::EngineBlockModel::Block::kGeneration};
  std::optional<GenTriggerControl::tMap> map;
  std::optional<GenTriggerControl> control;
};

TEST_F(GenTriggerControlOnBoard, EachTriggerIdConfiguresAndStrobesItsOwnRegisterOrBit) {
  const uint32_t registers[] = {16, 17, 18, 19, 20, 144, 145};
  for (int32_t id = 1; id <= 7; ++id) {
    block.clearLog();
    control->configureTrigger(id, {3, 3, 1, 5, 0}, status);
    EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(registers[id - 1], 0x0005000000000503)})) << id;
  }
  block.clearLog();
  for (int32_t id : {0, 8, -1}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { control->configureTrigger(id, kDefaultTrigger, s); }),
              st::kStatusInvalidParameter);
  }
  EXPECT_TRUE(block.log().empty());
  // Software triggers are strobes: every call writes.
  for (int32_t id = 1; id <= 7; ++id) control->sendSoftwareTrigger(id, status);
  control->sendSoftwareTrigger(7, status);
  std::vector<Entry> expected;
  for (int32_t id = 1; id <= 7; ++id) expected.push_back(wrote(21, uint64_t{1} << (id - 1)));
  expected.push_back(wrote(21, 0x40));
  EXPECT_EQ(block.writes(), expected);
  EXPECT_EQ(map->SendSoftwareTrigger.getValue(), 0u);
  EXPECT_EQ(codeAfter([&](tStatus& s) { control->sendSoftwareTrigger(8, s); }), st::kStatusInvalidParameter);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(GenTriggerControlOnBoard, AKindAboveFourMakesTriggerOneTheFullnessTriggerWhateverTheId) {
  control->configureTrigger(3, {5, 1, 0, 7, 0x1234}, status);
  EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(16, 0x401), wrote(0x60, 0x8), wrote(0x61, 0x1234)}))
      << "register 18 untouched";
  block.clearLog();
  control->configureTrigger(2, kDefaultTrigger, status);
  control->configureTrigger(1, kDefaultTrigger, status);
  EXPECT_EQ(block.writes(),
            (std::vector<Entry>{wrote(17, 0x0003000000000102), wrote(16, 0x0003000000000102), wrote(0x60, 0)}))
      << "only trigger 1 clears the fullness bit";
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(GenTriggerControlOnBoard, PulseWidthIdsFillOneHalfOfTheirRegister) {
  struct Slot {
    int32_t id;
    uint32_t address;
    bool high;
  };
  const Slot slots[] = {{1, 23, false},   {2, 24, false},  {3, 24, true},    {4, 25, false},   {5, 25, true},
                        {6, 146, false},  {101, 22, true}, {102, 22, false}, {103, 26, false}, {104, 26, true},
                        {105, 27, false}, {106, 27, true}, {107, 146, true}, {108, 147, false}};
  for (const Slot& slot : slots) {
    block.clearLog();
    const uint64_t before = block.value(slot.address);
    control->setMinExportPulseWidth(slot.id, {0x1ABCD0000ull + static_cast<uint64_t>(slot.id), kPulseWidthFormat},
                                    status);
    const uint64_t half = 0xABCD0000u + slot.id;
    const uint64_t expected = slot.high ? (before & 0xFFFFFFFF) | half << 32 : (before & ~0xFFFFFFFFull) | half;
    EXPECT_EQ(block.writes(), (std::vector<Entry>{wrote(slot.address, expected)})) << slot.id;
  }
  block.clearLog();
  control->setMinExportPulseWidth(1, {0xABCD0001, kPulseWidthFormat}, status);
  EXPECT_TRUE(block.log().empty()) << "the same width again writes nothing";
  control->markRegistersDirty(status);
  control->setMinExportPulseWidth(1, {0xABCD0001, kPulseWidthFormat}, status);
  EXPECT_EQ(block.writes().size(), 1u) << "a dirty register is written even unchanged";
  for (int32_t id : {0, 7, 100, 109}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { control->setMinExportPulseWidth(id, kTwenty, s); }),
              st::kStatusInvalidParameter);
  }
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(GenTriggerControlOnBoard, MarkersAndRFBlanking) {
  for (int32_t marker = 103; marker <= 106; ++marker) {
    control->setMarkerOutputBehavior(marker, {static_cast<uint8_t>(marker), 3}, status);
  }
  control->setRFBlankingMarkerMask(0xA5, status);
  control->setRFBlankingMarkerOffset0(0x11112222, status);
  control->setRFBlankingMarkerOffset1(0x133334444, status);
  control->setRFBlankingDelay(1023, status);
  EXPECT_EQ(block.writes(),
            (std::vector<Entry>{wrote(64, 0x167), wrote(65, 0x168), wrote(66, 0x169), wrote(67, 0x16A), wrote(68, 0xA5),
                                wrote(69, 0x11112222), wrote(69, 0x3333444411112222), wrote(43, 1023)}));
  vlfxptype::Configuration offsets[2];
  control->getRFBlankingMarkerOffset0Configuration(offsets[0], status);
  control->getRFBlankingMarkerOffset1Configuration(offsets[1], status);
  EXPECT_EQ(std::vector(offsets, offsets + 2), std::vector(2, vlfxptype::Configuration{1, 32, 16}));
  EXPECT_EQ(status.getCode(), 0);
  block.clearLog();
  const trigki::MarkerOutputBehavior behavior{1, 0};
  EXPECT_EQ(codeAfter([&](tStatus& s) { control->setRFBlankingDelay(1024, s); }), st::kStatusInvalidParameter);
  EXPECT_EQ(codeAfter([&](tStatus& s) { control->setMarkerOutputBehavior(107, behavior, s); }),
            st::kStatusInvalidParameter);
  EXPECT_TRUE(block.log().empty());
}

TEST_F(GenTriggerControlOnBoard, AcquisitionOnlyOperationsAreRefusedWithoutAccess) {
  uint32_t support = 7;
  const std::function<void(tStatus&)> calls[] = {[&](tStatus& s) { control->setOptionBit(true, s); },
                                                 [&](tStatus& s) { control->setTriggerDelay(-2, 1, s); },
                                                 [&](tStatus& s) { control->setTriggerHoldoffs(1, 2, s); },
                                                 [&](tStatus& s) { control->getHoldoffCounterSupport(support, s); },
                                                 [&](tStatus& s) { control->setTriggerEnabled(-1, true, s); }};
  for (const auto& call : calls) EXPECT_EQ(codeAfter(call), st::kStatusInvalidParameter);
  EXPECT_EQ(support, 7u);
  EXPECT_TRUE(block.log().empty());
}

}  // namespace
