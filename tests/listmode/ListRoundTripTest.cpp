// The whole road of a list: a seeded random run of register writes, waits
// and delays, assembled into p-code and run by the board's list engine
// (located, started and stopped by the command control), reaches two
// blocks exactly as the same run issued directly through the register port.
#include <random>

#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using sim::InstructionBlockModel;

constexpr uint8_t kSubsystems[] = {3, 5};
constexpr uint64_t kListLocation = 0x0000000200001000;

class ListRoundTrip : public ListEngineOnBoard, public testing::WithParamInterface<uint32_t> {
 protected:
  void SetUp() override {
    build(0x28'00'01'FF'01);
    for (int i = 0; i < 2; ++i) {
      for (uint32_t address = 0; address < 16; ++address) {
        direct[i].define(address, InstructionBlockModel::kReadWrite, true);
        listed[i].define(address, InstructionBlockModel::kReadWrite, true);
      }
      model.attachSubsystem(kSubsystems[i], direct[i]);
      engine.attachTarget(kSubsystems[i], listed[i]);
      contexts[i].initialize(kSubsystems[i], 0, 2402, 0, 1, 1, nullptr, 0);
      targets[i].emplace(&*driverPort, &contexts[i], true);
    }
    assembler.open(status);
  }

  InstructionBlockModel direct[2];
  InstructionBlockModel listed[2];
  vlifw::Context contexts[2];
  std::optional<vlifw::InstructionTargetMXRM> targets[2];
};

// Each step is issued through the port at once and assembled into the list.
// Waits name a bit whose state the writes before them settled, so both
// roads pass them with one read.
TEST_P(ListRoundTrip, TheEngineReachesTheBlocksAsDirectAccessDoes) {
  std::mt19937_64 random(GetParam());
  uint64_t values[2][16] = {};
  uint32_t step = 0;
  for (int i = 0; i < 400; ++i) {
    const uint8_t block = random() % 2;
    const uint32_t address = random() % 16;
    const uint64_t mask = uint64_t{1} << (random() % 64);
    const uint64_t expected = values[block][address] & mask;
    auto& target = *targets[block];
    switch (random() % 4) {
      case 0:
        values[block][address] = random();
        target.write64(address, values[block][address], status);
        assembler.emitWrite(kSubsystems[block], address, values[block][address], status);
        break;
      case 1:  // a bit wait or a field wait, as the bit's place has it
        while ((target.read64(address, status) & mask) != expected && status.isNotFatal()) {
        }
        if ((mask & 0x5555555555555555) != 0) {
          assembler.emitWaitForBit(kSubsystems[block], address, 10, mask, expected, 0, status);
        } else {
          assembler.emitWaitForField(kSubsystems[block], address, mask, expected, address, 1, status);
        }
        break;
      case 2:
        assembler.emitDelay(address, status);
        break;
      default:
        assembler.beginStep(++step, status);
    }
  }
  assembler.close(status);
  const listmodek::pcode::Assembler::Buffer buffer = assembler.getBuffer();
  engine.loadProgram(kListLocation, std::vector<uint64_t>(buffer.data, buffer.data + buffer.count));
  control->setListLocation({kListLocation & 0xFFFFFFFF, kListLocation >> 32}, status);
  control->commitListLocation(status);
  control->start(status);
  control->stop(status);
  ASSERT_EQ(status.getCode(), 0);

  uint32_t errors = 0;
  uint64_t info[2] = {};
  control->readDeviceStatus(errors, info[0], info[1], status);
  EXPECT_EQ(errors, 0u) << "stopped at instruction " << info[0] << ", opcode " << info[1];
  EXPECT_EQ(engine.starts(), 1u);
  EXPECT_EQ(control->readStepInProgress(status), step);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(listed[i].writes().empty());
    EXPECT_EQ(listed[i].log(), direct[i].log()) << "block " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ListRoundTrip, testing::Values(1u, 2u, 3u, 20261207u));

}  // namespace
