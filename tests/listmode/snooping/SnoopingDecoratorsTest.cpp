// The instruction-target and accessor decorators that record a commit:
// what reaches the inserter or the real target, and what each refuses.
#include <gtest/gtest.h>

#include "driver/ifw/Context.h"
#include "driver/listmode/snooping/InstructionTargetWithSubsystemRedirection.h"
#include "driver/listmode/snooping/IoAccessorWithContextualize.h"
#include "driver/listmode/snooping/SnoopingListenerForInstructionTarget.h"
#include "driver/platform/status/StatusCodes.h"
#include "tests/listmode/snooping/RecordingInserter.h"

namespace {

using namespace vltest;
using namespace nVL9738K_24_0;
using tStatus = nVLAPALS100::tStatus;
constexpr int64_t kNotSupported = nVLAPALS100::kStatusNotSupported;

struct Decorators : testing::Test {
  Log log;
  RecordingInserter inserter{log};
  RecordingTarget device{log};
  InstructionTargetWithRedirection manager{&device};
  InstructionTargetSnooper snooper;
  SnoopingListenerForInstructionTarget listener{&snooper, &manager};
  tStatus status;
};

// The stream goes to the inserter between start and stop only; a stop
// restores even after a failure, and a redirected target cannot be flushed.
TEST_F(Decorators, ARedirectedStreamIsRecordedAndAStopAlwaysRestores) {
  manager.write({3, 0x10, 7}, true, status, 1000);
  listener.onStartCommitSnooping(&inserter, status);
  manager.write({0x103, 0x20, 8}, true, status, 1000);
  uint64_t value = 0;
  manager.read({3, 0x24}, &value, status, 1000);
  manager.readMany(nullptr, 0, nullptr, status, 1000);
  EXPECT_EQ(value, 0xABCD12345678u);
  manager.flush(status);
  EXPECT_EQ(status.getCode(), kNotSupported);
  EXPECT_TRUE(manager.isRedirected());
  listener.onStopCommitSnooping(status);
  tStatus clean;
  manager.flush(clean);
  EXPECT_EQ(clean.getCode(), 0);
  EXPECT_EQ(snooper.getInserter(), nullptr);
  EXPECT_EQ(log, (Log{"target.write 3 10 7", "write 3 20 8", "read 3 24 0", "target.flush"}));
}

// Each refusal of the snooper, and a batch that stops at its first failure.
TEST_F(Decorators, TheSnooperRefusesWithoutInserterOrBeyond32BitsAndBatchesStopAtTheFirstError) {
  struct Case {
    bool withInserter;
    uint64_t address;
    int64_t code;
  } cases[] = {{false, 0x10, nVLAPALS100::kStatusRequestFailure}, {true, 0x100000000, kNotSupported}};
  for (const Case& c : cases) {
    snooper.setInserter(c.withInserter ? &inserter : nullptr);
    tStatus read, write;
    uint64_t value = 5;
    snooper.read({1, c.address}, &value, read, 0);
    snooper.write({1, c.address, 2}, false, write, 0);
    EXPECT_EQ(std::tuple(read.getCode(), write.getCode(), value), std::tuple(c.code, c.code, 5u));
  }
  EXPECT_TRUE(log.empty());
  inserter.failWrite = -9;
  const vlifw::WriteInstruction batch[] = {{1, 4, 1}, {1, 8, 2}, {1, 12, 3}};
  snooper.writeMany(batch, 3, true, status, 0);
  EXPECT_EQ(status.getCode(), -9);
  EXPECT_EQ(log, Log{"write 1 4 1"});
  tStatus flushed;
  snooper.flush(flushed);
  EXPECT_EQ(flushed.getCode(), kNotSupported);
}

// (offset - base) >> shift addresses the context; narrow reads truncate the
// 64-bit result; blocks have no instruction form.
TEST_F(Decorators, TheContextualizingAccessorMakesOneInstructionPerAccess) {
  vlifw::Context context;
  context.initialize(6, 0x1000, 2402, 0, 1, 1, nullptr, 0);
  IoAccessorWithContextualize accessor(&device, &context, 0x40, 2);
  EXPECT_EQ(accessor.read16(0x50, status), 0x7788u);
  EXPECT_EQ(accessor.read32(0x40, status), 0x55667788u);
  accessor.write8(0x48, 0xFF, status);
  EXPECT_EQ(translateOffset(accessor, 0x48), 2u);
  EXPECT_EQ(log, (Log{"target.read 6 1004 0", "target.read 6 1000 0", "target.write 6 1002 ff"}));
  uint8_t buffer[8] = {};
  for (bool write : {false, true}) {
    tStatus block;
    write ? accessor.writeBlock(0, buffer, 8, 4, 4, block) : accessor.readBlock(0, buffer, 8, 4, 4, block);
    EXPECT_EQ(block.getCode(), kNotSupported);
  }
}

// A batch goes whole to its first instruction's subsystem's target.
TEST_F(Decorators, SubsystemRedirectionChoosesByTheFirstInstructionAndRefusesFlushWhileSet) {
  Log other;
  RecordingTarget second{other};
  InstructionTargetWithSubsystemRedirection target(&device);
  target.flush(status);
  target.setRedirection(2, &second);
  const vlifw::WriteInstruction batch[] = {{2, 4, 1}, {3, 8, 2}};
  target.writeMany(batch, 2, false, status, 0);
  target.writeMany(batch + 1, 1, false, status, 0);
  target.write({0x102, 4, 9}, false, status, 0);
  EXPECT_EQ(log, (Log{"target.flush", "target.writeMany 3 1 0"}));
  EXPECT_EQ(other, (Log{"target.writeMany 2 2 0", "target.write 102 4 9"}));
  target.flush(status);
  EXPECT_EQ(status.getCode(), kNotSupported);
}

}  // namespace
