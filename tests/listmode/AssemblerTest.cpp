// The p-code assembler: the words it writes, bit for bit, and what it
// refuses.
#include <gtest/gtest.h>

#include <vector>

#include "driver/listmode/CommandControl.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/listmode/pcode/Assembler.h"
#include "tests/support/StatusChecks.h"

namespace {

using listmodek::CommandControl;
using listmodek::pcode::Assembler;
using nVLAPALS100::tStatus;
using vltest::codeAfter;
using Words = std::vector<uint64_t>;
namespace codes = listmodek::codes;
namespace st = nVLAPALS100;

constexpr uint64_t kFiller = 0x0000010000000000;

class AssemblerTest : public testing::Test {
 protected:
  // Triggers up to 2, events up to 3, p-code version 1, 40 ticks per unit.
  void SetUp() override {
    assembler.setCapabilities(CommandControl::traitsOf(0x28'00'01'32'01));
    assembler.open(status);
  }
  Words words() const {
    const Assembler::Buffer buffer = assembler.getBuffer();
    return Words(buffer.data, buffer.data + buffer.count);
  }

  tStatus status{tStatus::kFullSize};
  Assembler assembler{status};
};

TEST_F(AssemblerTest, BlocksAreCountedWhenTheyCloseAndAnEmptyOneGetsAFiller) {
  assembler.close(status);
  EXPECT_EQ(words(), (Words{0x1, 0x0, 0x0, kFiller}));
  assembler.open(status);
  assembler.beginStep(5, status);
  assembler.emitWrite(3, 0x10, 0xABCD, status);
  assembler.close(status);
  EXPECT_EQ(words(), (Words{0x1, 0x0, 0x0, kFiller, 0x0000000500000001, 0x0, 0xABCD, 0x0002000300000010}));
  EXPECT_EQ(status.getCode(), 0);
}

struct Emitted {
  void (*emit)(Assembler&, tStatus&);
  int64_t code;
  uint64_t operand = 0;
  uint64_t header = 0;
};

class AssemblerEmits : public AssemblerTest, public testing::WithParamInterface<Emitted> {};

// An accepted instruction is appended as given; a refused one appends nothing.
TEST_P(AssemblerEmits, TheRecordOrItsRefusal) {
  const Words before = words();
  EXPECT_EQ(codeAfter([&](tStatus& s) { GetParam().emit(assembler, s); }), GetParam().code);
  Words expected = before;
  if (GetParam().code == 0) expected.insert(expected.end(), {GetParam().operand, GetParam().header});
  EXPECT_EQ(words(), expected);
}

using A = Assembler;
using S = tStatus;
INSTANTIATE_TEST_SUITE_P(
    Instructions, AssemblerEmits,
    testing::Values(
        Emitted{[](A& a, S& s) { a.emitDelay(100, s); }, 0, 4000, 0x0001010000000000},
        Emitted{[](A& a, S& s) { a.emitDelay(107374182, s); }, 0, 4294967280, 0x0001010000000000},
        Emitted{[](A& a, S& s) { a.emitDelay(107374183, s); }, st::kStatusInvalidParameter},
        Emitted{[](A& a, S& s) { a.emitWaitForBit(2, 7, 1, 0x10000, 0x10000, 1, s); }, 0, 0x0000035000000028,
                0x0003010200000007},
        Emitted{[](A& a, S& s) { a.emitWaitForBit(2, 7, 2, 1ull << 63, 0, 2, s); }, 0, 0x0000033F00000050,
                0x0003000200000007},
        Emitted{[](A& a, S& s) { a.emitWaitForBit(2, 7, 1, 0x3, 0, 0, s); }, st::kStatusInvalidParameter},
        Emitted{[](A& a, S& s) { a.emitWaitForField(1, 9, 0x10000, 0x10000, 3, 0, s); }, 0, 0x1D0, 0x0006000100000009},
        Emitted{[](A& a, S& s) { a.emitWaitForField(1, 9, 0x1, 0, 35, 3, s); }, 0, 0x180, 0x0006010100000009},
        Emitted{[](A& a, S& s) { a.emitWaitForField(1, 9, 0x20, 0x10, 0, 0, s); }, st::kStatusInvalidParameter},
        Emitted{[](A& a, S& s) { a.emitWaitForListTrigger(2, s); }, 0, 0x0000008200000000, 0x0004010000000000},
        Emitted{[](A& a, S& s) { a.emitWaitForListTrigger(3, s); }, codes::kListEngineLimit},
        Emitted{[](A& a, S& s) { a.emitReadyForListTrigger(2, s); }, 0, 0x0000000200000000, 0x0007010000000000},
        Emitted{[](A& a, S& s) { a.emitListEvent(3, s); }, 0, 0x0000000300000000, 0x0005010000000000},
        Emitted{[](A& a, S& s) { a.emitListEvent(4, s); }, codes::kListEngineLimit}));

TEST_F(AssemblerTest, AnEngineOfPcodeVersionZeroHasNoReadyForTrigger) {
  assembler.setCapabilities(CommandControl::traitsOf(0x28'00'00'32'01));
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitReadyForListTrigger(0, s); }), codes::kListEngineLimit);
}

TEST_F(AssemblerTest, OnlyAnOpenListTakesInstructionsAndCloseEndsItWhateverTheStatus) {
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.open(s); }), st::kStatusListModeFailure);
  assembler.emitWrite(1, 2, 3, status);
  const Words before = words();
  tStatus failed{tStatus::kFullSize};
  failed.setCode(-1, VL_SITE);
  assembler.close(failed);
  EXPECT_FALSE(assembler.isOpen());
  EXPECT_EQ(words(), before) << "the block is not counted on a failed status";
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitWrite(1, 2, 3, s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.beginStep(1, s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.close(s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(words(), before);
  // Before it learns the engine's ticks, an assembler counts 40 per unit.
  Assembler fresh{status};
  EXPECT_EQ(codeAfter([&](tStatus& s) { fresh.emitDelay(107374183, s); }), st::kStatusInvalidParameter);
}

class AssemblerOpen : public testing::TestWithParam<std::pair<uint64_t, int64_t>> {};

// Capabilities: list mode in bit 0, p-code version in 16-23, the oldest
// the engine runs in 24-31; the assembler writes version 1.
TEST_P(AssemblerOpen, ChecksTheEngineFirst) {
  tStatus status{tStatus::kFullSize};
  Assembler assembler{status};
  assembler.setCapabilities(CommandControl::traitsOf(GetParam().first));
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.open(s); }), GetParam().second);
  EXPECT_EQ(assembler.isOpen(), GetParam().second == 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, AssemblerOpen,
                         testing::Values(std::pair{0x0ull, int64_t{codes::kNoListMode}},
                                         std::pair{0x00010001ull, int64_t{0}}, std::pair{0x01010001ull, int64_t{0}},
                                         std::pair{0x02030001ull, int64_t{codes::kPcodeVersion}},
                                         std::pair{0x02010001ull, int64_t{st::kStatusValueOutOfRange}}));

TEST_F(AssemblerTest, AReadBecomesTheAnnouncedWaitUntilItIsCleared) {
  EXPECT_EQ(assembler.readDuringCompile(4, 0x20, status), 0u);
  EXPECT_EQ(status.getCode(), codes::kReadDuringCompile);
  tStatus local{tStatus::kFullSize};
  assembler.announceBitWaitRead(1, 0x10000, 0x10000, 1, 0xABC, local);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.announceBitWaitRead(2, 1, 1, 0, 0, s); }),
            st::kStatusListModeFailure);
  assembler.close(local);
  assembler.open(local);  // announcements outlive the list
  EXPECT_EQ(assembler.readDuringCompile(2, 0x1'0000'0007, local), 0xABCu);
  EXPECT_EQ(assembler.readDuringCompile(2, 7, local), 0xABCu);
  EXPECT_EQ(words(), (Words{0, 0, 0x0000035000000028, 0x0003010200000007, 0x0000035000000028, 0x0003010200000007}));
  assembler.announceFieldWaitRead(0x10000, 0x10000, 3, 0, 0x55, local);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.readDuringCompile(1, 9, s); }), st::kStatusBadSelector);
  assembler.clearBitWaitRead();
  EXPECT_EQ(assembler.readDuringCompile(1, 9, local), 0x55u);
  EXPECT_EQ(local.getCode(), 0);
}

}  // namespace
