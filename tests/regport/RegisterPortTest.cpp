// The register port over the board's port block: construction checks and
// reset, how instructions are cut into port words, free-slot caching and
// results of both widths.
#include "RegisterPortFixture.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace vltest;

// --- Construction -------------------------------------------------------------

// The block with plain 64-bit registers as subsystem 1.
class RegisterPortConstruction : public RegisterPortOnBoard {
 protected:
  RegisterPortConstruction() { model.attachSubsystem(1, ram); }
  RamSubsystem ram;
};

TEST_F(RegisterPortConstruction, VerifiesTheBlockThenResetsIt) {
  vlregport::RegisterPort& port = openPort();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_TRUE(port.isReady());
  EXPECT_EQ(model.resets(), 1u);

  const std::vector<BusAccess> traffic = portTraffic();
  ASSERT_GE(traffic.size(), 6u);
  EXPECT_EQ(traffic[0], (BusAccess{BusAccess::Kind::Read, Port::kSignature, 4, 0x78759}));
  EXPECT_EQ(traffic[1], (BusAccess{BusAccess::Kind::Read, Port::kVersion, 4, 1}));
  EXPECT_EQ(traffic[2], (BusAccess{BusAccess::Kind::Read, Port::kOldestCompatibleVersion, 4, 1}));
  EXPECT_EQ(traffic[3], written(Port::kControl, Port::kControlReset));
  // The reset takes a few microseconds: the port polls until busy clears.
  for (size_t i = 4; i < traffic.size(); ++i) {
    EXPECT_EQ(traffic[i].kind, BusAccess::Kind::Read);
    EXPECT_EQ(traffic[i].offset, Port::kControl);
    EXPECT_EQ(traffic[i].value, i + 1 == traffic.size() ? 0u : Port::kControlBusy);
  }
  // The strobe is gone from the shadow, so no later write resets by accident.
  EXPECT_FALSE(port.getRegisterMap().ResetControl.getReset());
}

TEST_F(RegisterPortConstruction, ABadSignatureLeavesThePortNotReadyForGood) {
  model.setSignature(0x12345);
  vlregport::RegisterPort& port = openPort();
  EXPECT_EQ(siteOf(status), (Site{nVLAPALS100::kStatusNotAccessible, "RegisterPort", 67}));
  EXPECT_FALSE(port.isReady());
  EXPECT_EQ(model.resets(), 0u);

  startRecording();
  EXPECT_EQ(codeAfter([&](tStatus& s) { port.flush(s); }), nVLAPALS100::kStatusNotAccessible);
  tStatus reading;
  uint64_t value = 7;
  port.read(ReadInstruction{1, 0}, &value, reading, kTimeoutMs);
  EXPECT_EQ(reading.getCode(), nVLAPALS100::kStatusNotAccessible);
  EXPECT_EQ(value, 7u);
  EXPECT_TRUE(portTraffic().empty());
  EXPECT_EQ(model.resets(), 0u);
}

struct VersionCase {
  uint32_t version;
  uint32_t oldestCompatible;
  int32_t code;
};

class RegisterPortVersions : public RegisterPortOnBoard, public testing::WithParamInterface<VersionCase> {};

TEST_P(RegisterPortVersions, IncompatibleBlocksAreRefusedBeforeAnyReset) {
  model.setVersions(GetParam().version, GetParam().oldestCompatible);
  vlregport::RegisterPort& port = openPort();
  EXPECT_EQ(status.getCode(), GetParam().code);
  EXPECT_EQ(port.isReady(), GetParam().code == 0);
  EXPECT_EQ(model.resets(), GetParam().code == 0 ? 1u : 0u);
  EXPECT_EQ(port.getStickyCode(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Versions, RegisterPortVersions,
                         testing::Values(VersionCase{1, 1, 0}, VersionCase{7, 1, 0},
                                         VersionCase{0, 0, codes::kVersionTooOld},  // older than we accept
                                         VersionCase{2, 2, codes::kVersionTooNew},  // no longer accepts us
                                         VersionCase{3, 5,
                                                     nVLAPALS100::kStatusValueOutOfRange}));  // its own range is broken

TEST_F(RegisterPortConstruction, AResetThatNeverEndsFailsAfterOneSecond) {
  model.setResetStuck(true);
  const uint64_t start = nowMs();
  vlregport::RegisterPort& port = openPort();
  EXPECT_EQ(siteOf(status), (Site{codes::kResetTimedOut, "RegisterPort", 269}));
  EXPECT_GE(nowMs() - start, 1000u);
  EXPECT_LT(nowMs() - start, 1010u);
  EXPECT_FALSE(port.isReady());
}

TEST_F(RegisterPortConstruction, AFailedStatusKeepsThePortUntouchedAndNotReady) {
  status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  vlregport::RegisterPort& port = openPort();
  EXPECT_TRUE(portTraffic().empty());
  EXPECT_FALSE(port.isReady());
  EXPECT_EQ(codeAfter([&](tStatus& s) { port.flush(s); }), nVLAPALS100::kStatusRequestFailure);
}

// --- Encoding -----------------------------------------------------------------

struct EncodingCase {
  const char* name;
  bool isRead;
  uint32_t subsystem;
  uint64_t address;
  uint64_t data;
  bool wait;
  std::vector<BusAccess> words;
};

std::ostream& operator<<(std::ostream& out, const EncodingCase& c) { return out << c.name; }

class RegisterPortEncoding : public RegisterPortOnBoard, public testing::WithParamInterface<EncodingCase> {
 protected:
  void SetUp() override {
    for (uint8_t number : {1, 3, 4, 0x12, 0x25}) model.attachSubsystem(number, ram);
    ram.registers[0] = 0x55;
    ram.registers[0x12] = 0x66;
    openPort();
    startRecording();
  }
  RamSubsystem ram;
};

TEST_P(RegisterPortEncoding, OnlyTheWordsAnInstructionNeedsAreWritten) {
  const EncodingCase& c = GetParam();
  vlregport::RegisterPort& port = *driverPort;
  if (c.isRead) {
    uint64_t value = 0;
    port.read(ReadInstruction{c.subsystem, c.address}, &value, status, kTimeoutMs);
    EXPECT_EQ(value, ram.registers[static_cast<uint32_t>(c.address)]);
  } else {
    port.write(WriteInstruction{c.subsystem, c.address, c.data}, c.wait, status, kTimeoutMs);
  }
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(wordWrites(), c.words);

  // The port took exactly the instruction, cut to the 8 and 32 bits it carries.
  const std::vector<Port::Instruction> executed = model.executed();
  ASSERT_FALSE(executed.empty());
  EXPECT_EQ(executed.back(), (Port::Instruction{static_cast<uint8_t>(c.subsystem), static_cast<uint32_t>(c.address),
                                                c.isRead ? 0 : c.data, c.isRead, c.wait}));
  EXPECT_EQ(model.extensionWords(), (std::array<uint32_t, 3>{0, 0, 0}));
}

BusAccess wordA(uint32_t value) { return written(Port::kWordA, value); }
BusAccess wordB(uint32_t value) { return written(Port::kWordB, value); }
BusAccess wordC(uint32_t value) { return written(Port::kWordC, value); }
BusAccess wordD(uint32_t value) { return written(Port::kWordD, value); }
const std::vector<BusAccess> kAllFour = {wordA(0x0FEDC890), wordB(0x0BA98AB0), wordC(0x07654CD2), wordD(0x23210EF5)};

INSTANTIATE_TEST_SUITE_P(
    Instructions, RegisterPortEncoding,
    testing::Values(
        EncodingCase{"SmallWriteIsWordDAlone", false, 3, 0x40, 0x1234, false, {wordD(0x01234403)}},
        EncodingCase{"WaitSetsTheReportBit", false, 3, 0x40, 0x1234, true, {wordD(0x21234403)}},
        EncodingCase{"HighSubsystemNibbleNeedsWordC", true, 0x12, 0, 0, false, {wordC(0x1), wordD(0x10000002)}},
        EncodingCase{"SmallReadIsWordDAlone", true, 3, 0x12, 0, false, {wordD(0x10000123)}},
        EncodingCase{"AddressFromTwoToThe24NeedsWordA", false, 3, 0x01000000, 0, false, {wordA(0x10), wordD(0x3)}},
        EncodingCase{"AddressBits16To23NeedWordB", false, 1, 0x10000, 0, false, {wordB(0x10), wordD(0x1)}},
        EncodingCase{"EveryPartWritesAllFourHighFirst", false, 0x25, 0x89ABCDEF, 0xFEDCBA9876543210, true, kAllFour},
        EncodingCase{"AddressBitsAbove31AreNotCarried", false, 4, 0x100000040, 0, false, {wordD(0x404)}},
        EncodingCase{"SubsystemBitsAbove7AreNotCarried", false, 0x103, 0x40, 0, false, {wordD(0x403)}}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.name); });

// --- Free slots -----------------------------------------------------------------

TEST_F(RegisterPortConstruction, FreeSlotsAreReadOnlyWhenTheCachedCountRunsOut) {
  model.setFifoDepth(4);
  vlregport::RegisterPort& port = openPort();
  EXPECT_EQ(port.getFreeSlots(), 0u);
  startRecording();
  for (uint64_t i = 0; i < 9; ++i) port.write(WriteInstruction{1, i, i}, false, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  // Read before the 1st, the 5th and the 9th instruction, 4 each time.
  EXPECT_EQ(readsOf(Port::kFreeSlots), 3u);
  EXPECT_EQ(port.getFreeSlots(), 3u);
  EXPECT_EQ(model.executed().size(), 9u);
}

TEST_F(RegisterPortConstruction, NoFreeSlotWithinTheTimeoutIsAnError) {
  model.setFifoDepth(2);
  vlregport::RegisterPort& port = openPort();
  model.setStalled(true);
  startRecording();
  port.write(WriteInstruction{1, 0, 0}, false, status, kTimeoutMs);
  port.write(WriteInstruction{1, 1, 0}, false, status, kTimeoutMs);
  EXPECT_EQ(status.getCode(), 0);
  const uint64_t start = nowMs();
  port.write(WriteInstruction{1, 2, 0}, false, status, 50);
  EXPECT_EQ(siteOf(status), (Site{codes::kNoFreeSlot, "RegisterPort", 417}));
  EXPECT_GE(nowMs() - start, 50u);
  EXPECT_EQ(wordWrites().size(), 2u);
  EXPECT_EQ(model.queued(), 2u);
}

// --- Results ------------------------------------------------------------------

TEST_F(RegisterPortConstruction, WideResultsAreReadHighThenLow) {
  RamSubsystem narrow(false);
  ram.registers[8] = 0x0123456789ABCDEF;
  narrow.registers[8] = 0x0123456789ABCDEF;
  model.attachSubsystem(2, narrow);
  vlregport::RegisterPort& port = openPort();
  startRecording();
  uint64_t value = 0;
  port.read(ReadInstruction{1, 8}, &value, status, kTimeoutMs);
  EXPECT_EQ(value, 0x0123456789ABCDEFu);
  const std::vector<BusAccess> traffic = portTraffic();
  ASSERT_EQ(traffic.size(), 5u);
  EXPECT_EQ(traffic[2], (BusAccess{BusAccess::Kind::Read, Port::kStatus, 4, Port::kStatusDone | Port::kStatusWide}));
  EXPECT_EQ(traffic[3], (BusAccess{BusAccess::Kind::Read, Port::kReadDataHigh, 4, 0x01234567}));
  EXPECT_EQ(traffic[4], (BusAccess{BusAccess::Kind::Read, Port::kReadDataLow, 4, 0x89ABCDEF}));

  startRecording();
  port.read(ReadInstruction{2, 8}, &value, status, kTimeoutMs);
  EXPECT_EQ(value, 0x89ABCDEFu);
  EXPECT_EQ(readsOf(Port::kReadDataHigh), 0u);
  EXPECT_EQ(readsOf(Port::kReadDataLow), 1u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RegisterPortConstruction, ANegativeTimeoutWaitsWithoutLimit) {
  ram.registers[4] = 42;
  vlregport::RegisterPort& port = openPort();
  model.setInstructionLatencyNs(3'000'000'000);
  sim::Clock::instance().setYieldStepNs(1'000'000);
  const uint64_t start = nowMs();
  uint64_t value = 0;
  port.read(ReadInstruction{1, 4}, &value, status, 0xFFFFFFFFu);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(value, 42u);
  EXPECT_GE(nowMs() - start, 3000u);
}

}  // namespace
