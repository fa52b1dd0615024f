// The whole road of a list: a seeded random run of register writes, waits
// and delays, assembled into p-code and run by the board's list engine
// (located, started and stopped by the command control), reaches the
// blocks exactly as the same run issued directly through the register port.
#include <map>
#include <random>

#include "driver/listmode/pcode/Assembler.h"
#include "tests/listmode/ListEngineFixture.h"

namespace {

using namespace vltest;
using listmodek::pcode::Assembler;

constexpr uint8_t kSubsystems[] = {3, 5};
constexpr uint32_t kRegisters = 16;
constexpr uint64_t kListLocation = 0x0000000200001000;

// Two blocks of plain 64-bit registers.
struct Blocks {
  Blocks() {
    for (auto& block : blocks) {
      for (uint32_t address = 0; address < kRegisters; ++address) {
        block.define(address, sim::InstructionBlockModel::kReadWrite, true);
      }
    }
  }
  sim::InstructionBlockModel blocks[2];
};

struct Step {
  enum Kind { kWrite, kBitWait, kFieldWait, kDelay, kNewStep } kind;
  uint8_t block;
  uint32_t address;
  uint64_t value;  // written, or the mask waited on
  bool expected;
};

// Waits name a bit whose state the writes before them have settled, so
// that both roads pass them with one read.
std::vector<Step> randomRun(uint32_t seed, size_t length) {
  std::mt19937_64 random(seed);
  std::map<std::pair<uint8_t, uint32_t>, uint64_t> values;
  std::vector<Step> run;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t block = random() % 2;
    const uint32_t address = random() % kRegisters;
    const auto kind = static_cast<Step::Kind>(random() % 5);
    if (kind == Step::kWrite) {
      const uint64_t value = random();
      values[{block, address}] = value;
      run.push_back(Step{kind, block, address, value, false});
      continue;
    }
    const uint64_t mask = uint64_t{1} << (random() % 64);
    run.push_back(Step{kind, block, address, mask, (values[{block, address}] & mask) != 0});
  }
  return run;
}

class ListRoundTrip : public ListEngineOnBoard, public testing::WithParamInterface<uint32_t> {
 protected:
  // Issues the run straight through the port, each wait a read of its
  // register until the bit holds.
  void issueDirectly(const std::vector<Step>& run) {
    std::optional<vlifw::InstructionTargetMXRM> targets[2];
    vlifw::Context contexts[2];
    for (int i = 0; i < 2; ++i) {
      model.attachSubsystem(kSubsystems[i], direct.blocks[i]);
      contexts[i].initialize(kSubsystems[i], 0, 2402, 0, 1, 1, nullptr, 0);
      targets[i].emplace(&*driverPort, &contexts[i], true);
    }
    for (const Step& step : run) {
      auto& target = *targets[step.block];
      if (step.kind == Step::kWrite) target.write64(step.address, step.value, status);
      if (step.kind == Step::kBitWait || step.kind == Step::kFieldWait) {
        while (((target.read64(step.address, status) & step.value) != 0) != step.expected && status.isNotFatal()) {
        }
      }
    }
  }

  std::vector<uint64_t> assemble(const std::vector<Step>& run) {
    tStatus local{tStatus::kFullSize};
    Assembler assembler{local};
    listmodek::ListTraits traits{};
    control->getCapabilities(traits, local);
    assembler.setCapabilities(traits);
    assembler.open(local);
    uint32_t stepNumber = 0;
    for (const Step& step : run) {
      const uint8_t subsystem = kSubsystems[step.block];
      const uint64_t expected = step.expected ? step.value : 0;
      switch (step.kind) {
        case Step::kWrite:
          assembler.emitWrite(subsystem, step.address, step.value, local);
          break;
        case Step::kBitWait:
          assembler.emitWaitForBit(subsystem, step.address, 10, step.value, expected, 0, local);
          break;
        case Step::kFieldWait:
          assembler.emitWaitForField(subsystem, step.address, step.value, expected, step.address, 0, local);
          break;
        case Step::kDelay:
          assembler.emitDelay(step.address, local);
          break;
        case Step::kNewStep:
          assembler.beginStep(++stepNumber, local);
          break;
      }
    }
    assembler.close(local);
    EXPECT_EQ(local.getCode(), 0);
    const Assembler::Buffer buffer = assembler.getBuffer();
    lastStep = stepNumber;
    return std::vector<uint64_t>(buffer.data, buffer.data + buffer.count);
  }

  Blocks direct;
  Blocks listed;
  uint32_t lastStep = 0;
};

TEST_P(ListRoundTrip, TheEngineReachesTheBlocksAsDirectAccessDoes) {
  build(0x28'00'01'FF'01);
  const std::vector<Step> run = randomRun(GetParam(), 400);
  issueDirectly(run);
  ASSERT_EQ(status.getCode(), 0);

  for (int i = 0; i < 2; ++i) engine.attachTarget(kSubsystems[i], listed.blocks[i]);
  engine.loadProgram(kListLocation, assemble(run));
  control->setListLocation({kListLocation & 0xFFFFFFFF, kListLocation >> 32}, status);
  control->commitListLocation(status);
  control->start(status);
  control->stop(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.starts(), 1u);

  uint32_t errors = 0;
  uint64_t info0 = 0;
  uint64_t info1 = 0;
  control->readDeviceStatus(errors, info0, info1, status);
  EXPECT_EQ(errors, 0u) << "stopped at instruction " << info0 << ", opcode " << info1;
  EXPECT_EQ(control->readStepInProgress(status), lastStep);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(listed.blocks[i].log(), direct.blocks[i].log()) << "block " << i;
    EXPECT_FALSE(listed.blocks[i].writes().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ListRoundTrip, testing::Values(1u, 2u, 3u, 20261207u));

// A wait that never holds stops the list where it stands.
TEST_F(ListEngineOnBoard, AWaitThatNeverHoldsStopsTheListAndCountsAnError) {
  build(0x28'00'01'FF'01);
  Blocks listed;
  engine.attachTarget(3, listed.blocks[0]);
  tStatus local{tStatus::kFullSize};
  Assembler assembler{local};
  assembler.setCapabilities(listmodek::CommandControl::traitsOf(0x28'00'01'FF'01));
  assembler.open(local);
  assembler.emitWrite(3, 1, 0x10, local);
  assembler.emitWaitForBit(3, 1, 2, 0x20, 0x20, 0, local);
  assembler.emitWrite(3, 2, 0x30, local);
  assembler.close(local);
  const Assembler::Buffer buffer = assembler.getBuffer();
  EXPECT_FALSE(engine.run(std::vector<uint64_t>(buffer.data, buffer.data + buffer.count)));
  EXPECT_EQ(listed.blocks[0].writes(), (std::vector<Entry>{wrote(1, 0x10)}));
  EXPECT_EQ(listed.blocks[0].log().size(), 1u + 80u) << "one read per tick of the timeout";
  EXPECT_EQ(engine.value(engine.address(sim::ListEngineModel::kErrorInfo)), 2u | uint64_t{3} << 32);
}

}  // namespace
