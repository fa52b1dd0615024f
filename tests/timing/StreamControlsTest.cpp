// The stream controls and the shared strobe on the engines' blocks.
#include <functional>
#include <tuple>

#include "driver/timing/AcqP2PControl.h"
#include "driver/timing/GenP2PControl.h"
#include "driver/timing/SharedRegisters.h"
#include "driver/timing/UserGenControl.h"
#include "sim/board/GenerationStreamModel.h"
#include "sim/kernel/Kernel.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using sim::GenerationStreamModel;
namespace st = nVLAPALS100;

class StreamControlsOnBoard : public TimingBlockOnBoard {
 protected:
  void SetUp() override {
    model.attachSubsystem(12, acqBlock);
    acqContext.initialize(12, 0, 2403, 0, 3, 2, nullptr, 0);
    bind(genBlock, 11, 0, 2402);
    acqBinding.emplace(&*driverPort, &acqContext, true);
    genMap.emplace(&*binding, 0, 0, 0xFFFFFFFF);
    acqMap.emplace(&*acqBinding, 0, 0, 0xFFFFFFFF);
    gen.emplace(&*genMap);
    acq.emplace(&*acqMap);
  }
  GenerationStreamModel genBlock;
  sim::EngineBlockModel acqBlock{sim::EngineBlockModel::Block::kAcquisition};
  vlifw::Context acqContext;
  std::optional<vlifw::InstructionTargetMXRM> acqBinding;
  std::optional<qrtifwprim::GenP2PControl::tMap> genMap;
  std::optional<qrtifwprim::AcqP2PControl::tMap> acqMap;
  std::optional<qrtifwprim::GenP2PControl> gen;
  std::optional<qrtifwprim::AcqP2PControl> acq;
};

TEST_F(StreamControlsOnBoard, SettersWriteWhatChangedPulsesOfAClearBitWriteTwiceTheSharedStrobeAlways) {
  gen->setP2PFullnessLevel(0, 0, status);
  EXPECT_EQ(codeAfter([&](tStatus& s) { gen->setP2PFullnessLevel(0, 0x100000000, s); }), st::kStatusInvalidParameter);
  EXPECT_TRUE(genBlock.writes().empty()) << "0 changes nothing; a level too wide is refused before any write";
  gen->setP2PFullnessLevel(0, 5, status);
  gen->setP2PSamples(0, 1, status);
  gen->pulseP2PCommandB(status);
  EXPECT_EQ(genBlock.writes(), (std::vector<Entry>{wrote(0x60, 8), wrote(0x61, 5), wrote(0x60, 0x18), wrote(0x62, 1),
                                                   wrote(0x60, 0x1A), wrote(0x60, 0x18)}));
  acq->setP2PSamples(-1, status);
  acq->pulseP2PCommandA(status);
  acq->pulseP2PCommandB(status);
  EXPECT_EQ(acqBlock.writes(),
            (std::vector<Entry>{wrote(97, ~0ull), wrote(96, 8), wrote(96, 0), wrote(96, 4), wrote(96, 0)}));
  EXPECT_EQ(status.getCode(), 0);
  sim::EngineBlockModel shared{sim::EngineBlockModel::Block::kShared};
  model.attachSubsystem(14, shared);
  vlifw::Context sharedContext;
  sharedContext.initialize(14, 0, 2404, 0, 1, 1, nullptr, 0);
  qrtifwprim::SharedRegisters registers(&*driverPort, &sharedContext, status);
  registers.pulseSharedStrobe(status);
  registers.pulseSharedStrobe(status);
  EXPECT_EQ(shared.writes(), (std::vector<Entry>{wrote(6, 1), wrote(6, 0), wrote(6, 1), wrote(6, 0)}));
  sharedContext.initialize(14, 0, 2404, 0, 2, 2, nullptr, 0);
  EXPECT_EQ(codeAfter([&](tStatus& s) { qrtifwprim::SharedRegisters(&*driverPort, &sharedContext, s); }),
            static_cast<int32_t>(0xBFFA8187));
}

TEST_F(StreamControlsOnBoard, ReadsReachTheirRegisterAndHalf) {
  using ReadCase = std::tuple<sim::InstructionBlockModel&, uint32_t, std::function<uint64_t(tStatus&)>, uint64_t>;
  const ReadCase cases[] = {
      {acqBlock, 99, [&](tStatus& s) { return acq->readP2PCountA(0, s); }, 0x12345679},
      {acqBlock, 100, [&](tStatus& s) { return acq->readP2PCountB(0, s); }, 0x12345679},
      {acqBlock, 100, [&](tStatus& s) { return acq->pulseAndReadP2PCount(s); }, 0x87654321},
      {acqBlock, 98, [&](tStatus& s) { return acq->readP2PFlag(0, s); }, 1},
      {acqBlock, 37, [&](tStatus& s) { return acq->readP2PStatus(s); }, 1},
      {genBlock, 100, [&](tStatus& s) { return gen->readP2PCountA(s); }, 0x12345679},
      {genBlock, 100, [&](tStatus& s) { return gen->readP2PCountC(s); }, 0x87654321},
      {genBlock, 101, [&](tStatus& s) { return gen->readP2PCountB(s); }, 0x12345679},
      {genBlock, 101, [&](tStatus& s) { return gen->pulseAndReadP2PCount(s); }, 0x87654321},
      {genBlock, 99, [&](tStatus& s) { return gen->readP2PFlag(s); }, 1},
      {genBlock, 70, [&](tStatus& s) { return gen->readP2PStatus(s); }, 1},
  };
  for (const auto& [block, address, read, expected] : cases) {
    block.setValue(address, 0x8765432112345679);
    EXPECT_EQ(read(status), expected) << address;
    EXPECT_EQ(block.readsOf(address), 1u) << address;
    block.clearLog();
  }
  acqBlock.setValue(101, ~0ull);
  EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(acq->readP2PSamples(0, s), -1); }), st::kStatusInvalidParameter);
}

TEST_F(StreamControlsOnBoard, FifoWaitsEndWhenTheFifoDrainsOrFailAfterAMillisecond) {
  gen->pulseP2PCommandA(status);
  EXPECT_EQ(genBlock.writes(), (std::vector<Entry>{wrote(0x60, 4), wrote(0x60, 0)}));
  qrtifwprim::UserGenControl user(&*genMap, status);
  user.beginUserGeneration(status);
  user.endUserGeneration(status);
  EXPECT_EQ(status.getCode(), 0);
  genBlock.setFifosStuck(true);
  genBlock.setValue(GenerationStreamModel::kP2PStatus, 0);
  genBlock.setValue(GenerationStreamModel::kUserStatus, 1 | 1u << 10);
  genBlock.setValue(70, 1);
  const uint64_t start = sim::Clock::instance().nowNs();
  EXPECT_EQ(codeAfter([&](tStatus& s) { gen->pulseP2PCommandA(s); }), st::kStatusTimeout);
  EXPECT_GE(sim::Clock::instance().nowNs() - start, 1'000'000u);
  genBlock.clearLog();
  EXPECT_EQ(codeAfter([&](tStatus& s) { user.endUserGeneration(s); }), st::kStatusTimeout);
  uint32_t flag10 = 0, flag70 = 0;
  user.getUserGenerationStatus(flag10, flag70, status);
  EXPECT_EQ(std::make_pair(flag10, flag70), std::make_pair(1u, 1u)) << "the wait's last read set bit 0";
  EXPECT_EQ(genBlock.writes(),
            (std::vector<Entry>{wrote(0x70, 0xA), wrote(0x70, 8), wrote(0x70, 0xC), wrote(0x70, 8)}));
}

}  // namespace
