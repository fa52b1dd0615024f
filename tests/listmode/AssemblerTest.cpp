// The p-code assembler: the words it writes, bit for bit, and what it
// refuses.
#include <gtest/gtest.h>

#include <vector>

#include "driver/listmode/CommandControl.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/listmode/pcode/Assembler.h"
#include "sim/kernel/Memory.h"
#include "tests/support/StatusChecks.h"

namespace {

using listmodek::CommandControl;
using listmodek::pcode::Assembler;
using nVLAPALS100::tStatus;
using vltest::codeAfter;
namespace codes = listmodek::codes;
namespace st = nVLAPALS100;

using Words = std::vector<uint64_t>;
constexpr uint64_t kFillerHeader = 0x0000010000000000;

// Capabilities: list mode, triggers and events up to 15, p-code version 1
// (oldest 0), 40 ticks per unit.
constexpr uint64_t kCapabilities = 0x28'00'01'FF'01;

class AssemblerTest : public testing::Test {
 protected:
  void SetUp() override {
    assembler.setCapabilities(CommandControl::traitsOf(kCapabilities));
    assembler.open(status);
    ASSERT_EQ(status.getCode(), 0);
  }
  Words words() const {
    const Assembler::Buffer buffer = assembler.getBuffer();
    return Words(buffer.data, buffer.data + buffer.count);
  }
  // The last instruction appended: operand, header.
  Words last() const {
    const Words all = words();
    return Words(all.end() - 2, all.end());
  }

  tStatus status{tStatus::kFullSize};
  Assembler assembler{status};
};

TEST_F(AssemblerTest, AnEmptyListIsAHeaderOfCountOneAndAFiller) {
  assembler.close(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(words(), (Words{0x1, 0x0, 0x0, kFillerHeader}));
  EXPECT_FALSE(assembler.isOpen());
}

TEST_F(AssemblerTest, EachStepOpensABlockCountedWhenTheNextOneBegins) {
  assembler.beginStep(5, status);
  assembler.emitWrite(3, 0x10, 0xABCD, status);
  assembler.close(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(words(), (Words{0x1, 0x0, 0x0, kFillerHeader, 0x0000000500000001, 0x0, 0xABCD, 0x0002000300000010}));

  // Two steps in a row: the first step block gets a filler.
  assembler.open(status);
  assembler.beginStep(1, status);
  assembler.beginStep(2, status);
  assembler.emitDelay(1, status);
  assembler.emitDelay(2, status);
  assembler.close(status);
  const Words list = words();
  ASSERT_EQ(list.size(), 14u);
  EXPECT_EQ(list[4], 0x0000000100000001u);
  EXPECT_EQ(list[7], kFillerHeader);
  EXPECT_EQ(list[8], 0x0000000200000002u);
}

struct Vector {
  const char* name;
  void (*emit)(Assembler&, tStatus&);
  uint64_t operand;
  uint64_t header;
};

class AssemblerVectors : public AssemblerTest, public testing::WithParamInterface<Vector> {};

TEST_P(AssemblerVectors, WriteTheInstructionBitForBit) {
  GetParam().emit(assembler, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(last(), (Words{GetParam().operand, GetParam().header}));
}

INSTANTIATE_TEST_SUITE_P(
    Instructions, AssemblerVectors,
    testing::Values(
        Vector{"Delay", [](Assembler& a, tStatus& s) { a.emitDelay(100, s); }, 4000, 0x0001010000000000},
        Vector{"LongestDelay", [](Assembler& a, tStatus& s) { a.emitDelay(107374182, s); }, 4294967280,
               0x0001010000000000},
        Vector{"BitWait", [](Assembler& a, tStatus& s) { a.emitWaitForBit(2, 7, 1, 0x10000, 0x10000, 1, s); },
               0x0000035000000028, 0x0003010200000007},
        Vector{"BitWaitForClear", [](Assembler& a, tStatus& s) { a.emitWaitForBit(2, 7, 2, 1ull << 63, 0, 0, s); },
               0x0000033F00000050, 0x0003000200000007},
        Vector{"FieldWait", [](Assembler& a, tStatus& s) { a.emitWaitForField(1, 9, 0x10000, 0x10000, 3, 0, s); },
               0x1D0, 0x0006000100000009},
        Vector{"FieldWaitCheckIndexModulo32",
               [](Assembler& a, tStatus& s) { a.emitWaitForField(1, 9, 0x1, 0, 35, 3, s); }, 0x180, 0x0006010100000009},
        Vector{"TriggerWait", [](Assembler& a, tStatus& s) { a.emitWaitForListTrigger(2, s); }, 0x0000008200000000,
               0x0004010000000000},
        Vector{"ReadyForTrigger", [](Assembler& a, tStatus& s) { a.emitReadyForListTrigger(15, s); },
               0x0000000F00000000, 0x0007010000000000},
        Vector{"Event", [](Assembler& a, tStatus& s) { a.emitListEvent(3, s); }, 0x0000000300000000,
               0x0005010000000000}),
    [](const testing::TestParamInfo<Vector>& info) { return info.param.name; });

TEST_F(AssemblerTest, RefusedInstructionsAppendNothingAndLeaveTheListOpen) {
  struct Refusal {
    void (*emit)(Assembler&, tStatus&);
    int64_t code;
  };
  const Refusal refusals[] = {
      {[](Assembler& a, tStatus& s) { a.emitDelay(107374183, s); }, st::kStatusInvalidParameter},
      {[](Assembler& a, tStatus& s) { a.emitWaitForBit(0, 0, 107374183, 1, 1, 0, s); }, st::kStatusInvalidParameter},
      {[](Assembler& a, tStatus& s) { a.emitWaitForBit(0, 0, 1, 0x3, 0, 0, s); }, st::kStatusInvalidParameter},
      {[](Assembler& a, tStatus& s) { a.emitWaitForBit(0, 0, 1, 0, 0, 0, s); }, st::kStatusInvalidParameter},
      {[](Assembler& a, tStatus& s) { a.emitWaitForField(0, 0, 0x20, 0x10, 0, 0, s); }, st::kStatusInvalidParameter},
  };
  const Words before = words();
  for (const Refusal& refusal : refusals) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { refusal.emit(assembler, s); }), refusal.code);
  }
  EXPECT_EQ(words(), before);
  EXPECT_TRUE(assembler.isOpen());
}

TEST_F(AssemblerTest, TriggerAndEventNumbersStayWithinTheEnginesLimits) {
  assembler.setCapabilities(CommandControl::traitsOf(0x28'00'01'32'01));  // triggers to 2, events to 3
  const Words before = words();
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitWaitForListTrigger(3, s); }), codes::kListEngineLimit);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitReadyForListTrigger(3, s); }), codes::kListEngineLimit);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitListEvent(4, s); }), codes::kListEngineLimit);
  EXPECT_EQ(words(), before);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitListEvent(3, s); }), 0);

  // An engine of p-code version 0 has no ready-for-trigger instruction.
  assembler.setCapabilities(CommandControl::traitsOf(0x28'00'00'32'01));
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitReadyForListTrigger(0, s); }), codes::kListEngineLimit);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitWaitForListTrigger(0, s); }), 0);
}

TEST_F(AssemblerTest, AClosedListTakesNothingAndOpeningTwiceIsRefused) {
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.open(s); }), st::kStatusListModeFailure);
  EXPECT_TRUE(assembler.isOpen());
  assembler.emitWrite(1, 2, 3, status);
  const Words before = words();

  // Close ends the list even on a status that holds an error, without
  // counting its block.
  tStatus failed{tStatus::kFullSize};
  failed.setCode(-1, VL_SITE);
  assembler.close(failed);
  EXPECT_FALSE(assembler.isOpen());
  EXPECT_EQ(words(), before);

  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitWrite(1, 2, 3, s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.emitDelay(1, s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.beginStep(1, s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.close(s); }), st::kStatusAssemblyFailure);
  EXPECT_EQ(words(), before);
  assembler.open(status);
  EXPECT_EQ(words(), (Words{0, 0})) << "a new list starts from an empty buffer";
}

struct OpenCase {
  uint64_t capabilities;
  int64_t code;
};

class AssemblerOpen : public testing::TestWithParam<OpenCase> {};

TEST_P(AssemblerOpen, ChecksTheEngineBeforeItOpens) {
  tStatus status{tStatus::kFullSize};
  Assembler assembler{status};
  assembler.setCapabilities(CommandControl::traitsOf(GetParam().capabilities));
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.open(s); }), GetParam().code);
  EXPECT_EQ(assembler.isOpen(), GetParam().code == 0);
}

// Capabilities: list mode in bit 0, p-code version in 16-23, the oldest it
// runs in 24-31. The assembler writes version 1 and runs with 0 and up.
INSTANTIATE_TEST_SUITE_P(Engines, AssemblerOpen,
                         testing::Values(OpenCase{0, codes::kNoListMode}, OpenCase{0x00010000, codes::kNoListMode},
                                         OpenCase{0x00010001, 0}, OpenCase{0x01010001, 0}, OpenCase{0x00000001, 0},
                                         OpenCase{0x02030001, codes::kPcodeVersion},
                                         OpenCase{0x02010001, st::kStatusValueOutOfRange},
                                         OpenCase{0x01000001, st::kStatusValueOutOfRange}));

TEST_F(AssemblerTest, AReadBecomesTheAnnouncedWaitUntilItIsCleared) {
  const Words before = words();
  EXPECT_EQ(assembler.readDuringCompile(4, 0x1'0000'0020, status), 0u);
  EXPECT_EQ(status.getCode(), codes::kReadDuringCompile);
  EXPECT_EQ(words(), before);

  tStatus local{tStatus::kFullSize};
  assembler.announceBitWaitRead(1, 0x10000, 0x10000, 1, 0xABC, local);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.announceBitWaitRead(2, 1, 1, 0, 0, s); }),
            st::kStatusListModeFailure);
  EXPECT_EQ(assembler.readDuringCompile(2, 7, local), 0xABCu);
  EXPECT_EQ(assembler.readDuringCompile(2, 7, local), 0xABCu);
  EXPECT_EQ(local.getCode(), 0);
  Words list = words();
  EXPECT_EQ(Words(list.end() - 4, list.end()),
            (Words{0x0000035000000028, 0x0003010200000007, 0x0000035000000028, 0x0003010200000007}));

  // Announcements outlive the list.
  assembler.close(local);
  assembler.open(local);
  assembler.announceFieldWaitRead(0x10000, 0x10000, 3, 0, 0x55, local);
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.readDuringCompile(1, 9, s); }), st::kStatusBadSelector);
  assembler.clearBitWaitRead();
  EXPECT_EQ(assembler.readDuringCompile(1, 9, local), 0x55u);
  EXPECT_EQ(last(), (Words{0x1D0, 0x0006000100000009}));
  assembler.clearFieldWaitRead();
  EXPECT_EQ(codeAfter([&](tStatus& s) { assembler.readDuringCompile(1, 9, s); }), codes::kReadDuringCompile);
}

TEST_F(AssemblerTest, OrdinaryListsFitTheReservedBufferAndLongerOnesGrow) {
  const uint64_t* reserved = assembler.getBuffer().data;
  for (uint32_t i = 0; i < 2047; ++i) assembler.emitWrite(1, i, i, status);
  EXPECT_EQ(assembler.getBuffer().data, reserved);
  EXPECT_EQ(assembler.getBuffer().count, 4096u);
  assembler.emitWrite(1, 0, 0, status);
  assembler.close(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(words()[0], 2048u);
}

TEST(AssemblerReservation, ABufferThatCannotBeReservedIsReported) {
  tStatus status{tStatus::kFullSize};
  sim::Memory::allocationFaults().failNth(1, 0);
  Assembler assembler{status};
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(status.getCode(), st::kStatusOutOfMemory);
  EXPECT_EQ(assembler.getBuffer().count, 0u);
}

}  // namespace
