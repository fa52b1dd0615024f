// The register port when instructions fail: error values, faults and
// timeouts become status codes, a failure sticks until flush, and the
// batch operations check their arguments and wait only where asked.
#include <algorithm>
#include <string>

#include "RegisterPortFixture.h"
#include "sim/kernel/Console.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;

// A prefixed debug line of the port's source file.
std::string portLine(const char* lineNumber, const std::string& message) {
  return "[   vl9738k|" + std::string(20, ' ') + "RegisterPort|" + lineNumber + "] " + message;
}

class RegisterPortFailures : public RegisterPortOnBoard {
 protected:
  void SetUp() override {
    ram.registers[0x40] = 0x77;
    model.attachSubsystem(5, ram);
    openPort();
    ASSERT_EQ(status.getCode(), 0);
    startRecording();
    sim::Console::clear();
  }
  vlregport::RegisterPort& port() { return *driverPort; }
  RamSubsystem ram;
};

// --- Error values ---------------------------------------------------------------

struct ErrorCase {
  uint32_t errorValue;
  int64_t code;
};

class RegisterPortErrorValues : public RegisterPortFailures, public testing::WithParamInterface<ErrorCase> {};

TEST_P(RegisterPortErrorValues, BecomeStatusCodesOfTheErrorHelper) {
  model.failNextInstructions(GetParam().errorValue);
  uint64_t value = 5;
  port().read(ReadInstruction{5, 0x40}, &value, status, kTimeoutMs);
  EXPECT_EQ(siteOf(status), (Site{GetParam().code, "InstructionTargetErrorHelper", 35}));
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(port().getStickyCode(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Values, RegisterPortErrorValues,
                         testing::Values(ErrorCase{1, codes::kInstructionFailed},
                                         ErrorCase{static_cast<uint32_t>(-52010), -52010},
                                         ErrorCase{0x80000000u, INT32_MIN},
                                         ErrorCase{0, codes::kUnknownInstructionError},
                                         ErrorCase{7, codes::kUnknownInstructionError}));

TEST_F(RegisterPortFailures, AFailedWriteWithoutWaitSurfacesAtTheNextWait) {
  model.failNextInstructions(1);
  port().write(WriteInstruction{5, 0x40, 1}, false, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  uint64_t value = 0;
  port().read(ReadInstruction{5, 0x40}, &value, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), codes::kInstructionFailed);
}

TEST_F(RegisterPortFailures, APortFaultAloneEndsTheWaitAtOnce) {
  model.setStalled(true);
  model.setFault(true);
  const uint64_t start = nowMs();
  uint64_t value = 0;
  port().read(ReadInstruction{5, 0x40}, &value, status, kTimeoutMs);
  EXPECT_EQ(siteOf(status), (Site{codes::kPortFault, "RegisterPort", 358}));
  EXPECT_EQ(nowMs() - start, 0u);
  EXPECT_EQ(readsOf(Port::kStatus), 1u);
  EXPECT_EQ(readsOf(Port::kReadDataLow), 0u);
  // A fault beside completion still fails.
  model.setStalled(false);
  tStatus beside;
  port().flush(beside);
  model.setFault(true);
  port().read(ReadInstruction{5, 0x40}, &value, beside, kTimeoutMs);
  EXPECT_EQ(beside.getCode(), codes::kPortFault);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(readsOf(Port::kReadDataLow), 0u);
}

// --- Timeouts and the sticky failure ------------------------------------------

TEST_F(RegisterPortFailures, AReadThatTimedOutFailsEveryLaterCallUntilFlush) {
  model.setStalled(true);
  const uint64_t start = nowMs();
  uint64_t value = 0;
  port().read(ReadInstruction{5, 0x40}, &value, status, kTimeoutMs);
  EXPECT_EQ(siteOf(status), (Site{codes::kReadTimedOut, "RegisterPort", 132}));
  EXPECT_GE(nowMs() - start, kTimeoutMs);
  EXPECT_LT(nowMs() - start, kTimeoutMs + 10);
  EXPECT_EQ(sim::Console::lines(),
            (std::vector<std::string>{portLine(
                "0132", "RegisterPort failure while issuing read instruction: { subsystem: 0x5, address: 0x40 }\n")}));

  startRecording();
  tStatus next(tStatus::kFullSize);
  port().write(WriteInstruction{5, 0x40, 1}, true, next, kTimeoutMs);
  EXPECT_EQ(next.getCode(), codes::kReadTimedOut);
  EXPECT_TRUE(portTraffic().empty());

  model.setStalled(false);
  EXPECT_EQ(codeAfter([&](tStatus& s) { port().flush(s); }), 0);
  EXPECT_EQ(port().getStickyCode(), 0);
  EXPECT_EQ(model.resets(), 2u);
  EXPECT_EQ(model.queued(), 0u);

  tStatus after;
  port().write(WriteInstruction{5, 0x40, 0x99}, true, after, kTimeoutMs);
  port().read(ReadInstruction{5, 0x40}, &value, after, kTimeoutMs);
  EXPECT_EQ(after.getCode(), 0);
  EXPECT_EQ(value, 0x99u);
}

TEST_F(RegisterPortFailures, AWriteWithWaitThatTimedOutSaysWhatItWrote) {
  model.setStalled(true);
  port().write(WriteInstruction{0x25, 0x1234, 0xABCDEF0123}, true, status, 20);
  EXPECT_EQ(siteOf(status), (Site{codes::kWriteTimedOut, "RegisterPort", 197}));
  EXPECT_EQ(sim::Console::lines(),
            (std::vector<std::string>{
                portLine("0197",
                         "RegisterPort failure while issuing write instruction: { subsystem: 0x25, address: 0x1234, "
                         "data: 0xabcdef0123 }\n")}));
}

TEST_F(RegisterPortFailures, WritesWithoutWaitReturnOnceWordDIsWrittenAndNeverReadTheStatus) {
  model.setStalled(true);
  port().write(WriteInstruction{5, 0x40, 1}, false, status, kTimeoutMs);
  const WriteInstruction batch[3] = {{5, 1, 0x11}, {5, 2, 0x22}, {5, 3, 0x33}};
  port().writeMany(batch, 3, false, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(readsOf(Port::kStatus), 0u);
  EXPECT_EQ(model.queued(), 4u);
  EXPECT_TRUE(sim::Console::lines().empty());
}

TEST_F(RegisterPortFailures, FlushReportsAResetThatNeverEnds) {
  model.setResetStuck(true);
  port().flush(status);
  EXPECT_EQ(status.getCode(), codes::kResetTimedOut);
  EXPECT_EQ(port().getStickyCode(), codes::kResetTimedOut);
  tStatus after;
  port().write(WriteInstruction{5, 0x40, 1}, false, after, kTimeoutMs);
  EXPECT_EQ(after.getCode(), codes::kResetTimedOut);
}

// Neither the port nor its accessor touches the block then.
TEST_F(RegisterPortFailures, AnErrorOnEntryTouchesNothing) {
  status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  accessor.write32(Port::kScratch, 1, status);
  EXPECT_EQ(accessor.read32(Port::kSignature, status), 0u);
  EXPECT_EQ(model.scratch(), 0u);
  uint64_t value = 3;
  const WriteInstruction writes[2] = {{5, 0, 0}, {5, 1, 1}};
  const ReadInstruction reads[1] = {{5, 0x40}};
  port().read(reads[0], &value, status, kTimeoutMs);
  port().readMany(reads, 1, &value, status, kTimeoutMs);
  port().write(writes[0], true, status, kTimeoutMs);
  port().writeMany(writes, 2, true, status, kTimeoutMs);
  port().flush(status);
  EXPECT_EQ(value, 3u);
  EXPECT_TRUE(portTraffic().empty());
  EXPECT_EQ(port().getStickyCode(), 0);
  EXPECT_EQ(model.resets(), 1u);
}

// --- Batches ------------------------------------------------------------------

TEST_F(RegisterPortFailures, WriteManyWaitsOnlyForTheLast) {
  model.setInstructionLatencyNs(100'000);
  const WriteInstruction batch[3] = {{5, 1, 0x11}, {5, 2, 0x22}, {5, 3, 0x33}};
  port().writeMany(batch, 3, true, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);

  std::vector<uint64_t> waits;  // bit 29 of each word D
  for (const BusAccess& word : wordWrites()) waits.push_back(word.value >> 29 & 1);
  EXPECT_EQ(waits, (std::vector<uint64_t>{0, 0, 1}));
  // No status read before the last instruction is handed over.
  const std::vector<BusAccess> traffic = portTraffic();
  const auto at = [](uint64_t offset) { return [offset](const BusAccess& a) { return a.offset == offset; }; };
  const auto lastWord = std::find_if(traffic.rbegin(), traffic.rend(), at(Port::kWordD)).base();
  EXPECT_TRUE(std::none_of(traffic.begin(), lastWord, at(Port::kStatus)));
  EXPECT_GE(readsOf(Port::kStatus), 1u);
  EXPECT_EQ(model.queued(), 0u);
  EXPECT_EQ(ram.registers.at(3), 0x33u);
}

TEST_F(RegisterPortFailures, ReadManyReadsEachInOrder) {
  ram.registers[1] = 10;
  ram.registers[2] = 20;
  const ReadInstruction list[3] = {{5, 2}, {5, 0x40}, {5, 1}};
  uint64_t values[3] = {};
  port().readMany(list, 3, values, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(std::vector<uint64_t>(values, values + 3), (std::vector<uint64_t>{20, 0x77, 10}));
}

TEST_F(RegisterPortFailures, EmptyBatchesSucceedWithoutAccess) {
  port().readMany(nullptr, 0, nullptr, status, kTimeoutMs);
  port().writeMany(nullptr, 0, true, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(portTraffic().empty());
}

TEST_F(RegisterPortFailures, BatchesWithoutTheirListsFailAndStick) {
  uint64_t values[2] = {};
  const ReadInstruction list[2] = {{5, 0x40}, {5, 0x40}};
  constexpr int64_t kInvalid = nVLAPALS100::kStatusInvalidParameter;
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { port().readMany(nullptr, 2, values, s, kTimeoutMs); })),
            (Site{kInvalid, "RegisterPort", 157}));
  port().flush(status);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { port().readMany(list, 2, nullptr, s, kTimeoutMs); })),
            (Site{kInvalid, "RegisterPort", 157}));
  port().flush(status);
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { port().writeMany(nullptr, 2, true, s, kTimeoutMs); })),
            (Site{kInvalid, "RegisterPort", 217}));
  EXPECT_EQ(port().getStickyCode(), kInvalid);
  port().flush(status);
  EXPECT_EQ(codeAfter([&](tStatus& s) { port().read(ReadInstruction{5, 0x40}, nullptr, s, kTimeoutMs); }), kInvalid);
  EXPECT_EQ(wordWrites().size(), 0u);
}

TEST_F(RegisterPortFailures, AFailureInsideABatchStopsTheRest) {
  model.failNextInstructions(1);
  const ReadInstruction list[3] = {{5, 0x40}, {5, 0x40}, {5, 0x40}};
  uint64_t values[3] = {1, 2, 3};
  port().readMany(list, 3, values, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), codes::kInstructionFailed);
  EXPECT_EQ(std::vector<uint64_t>(values, values + 3), (std::vector<uint64_t>{1, 2, 3}));
  EXPECT_EQ(wordWrites().size(), 1u);
}

}  // namespace
