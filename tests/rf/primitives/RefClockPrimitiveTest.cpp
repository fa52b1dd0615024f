// The reference-clock path on the board model, in virtual time: power-up,
// commits, path selection and the reference-output alignment.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "driver/rf/primitives/refclk/RefClockPrimitive.h"
#include "driver/rf/primitives/refclk/RefClockStatus.h"
#include "sim/kernel/Clock.h"
#include "tests/board/BoardOnPciFixture.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using namespace nVLAPALS100;
using nVL9738K_24_0::RefClockPrimitive;
using vl9738settings::RefClockSettings;

constexpr uint64_t kFixedLogic = sim::FixedLogic::kBarOffset;
constexpr uint64_t kPll = 0x412C;
constexpr uint64_t kMs = 1000000;

class RefClockPath : public BoardOnPci {
 protected:
  sim::RefCpldSpace& cpld() { return pci.board().fixedLogic().refCpld(); }
  void startRecording() { pci.board().bar0().startRecording(); }
  // Fixed-logic offsets and values of the writes since the last clear.
  std::vector<std::pair<uint64_t, uint32_t>> writes() {
    std::vector<std::pair<uint64_t, uint32_t>> found;
    for (const sim::BusAccess& a : writesIn(pci.board().bar0().traffic()))
      if (a.offset >= kFixedLogic) found.emplace_back(a.offset - kFixedLogic, static_cast<uint32_t>(a.value));
    return found;
  }
  std::vector<uint32_t> writesTo(uint64_t offset) {
    std::vector<uint32_t> values;
    for (const auto& [at, value] : writes())
      if (at == offset) values.push_back(value);
    return values;
  }
  uint64_t now() { return sim::Clock::instance().nowNs(); }
  void powerUp() {
    primitive.initializeHardware(status);
    ASSERT_EQ(status.getCode(), 0);
    startRecording();
  }
  void commit(const RefClockSettings& settings, uint32_t path) {
    primitive.setRequested(settings, status);
    primitive.commit(path, status);
  }

  std::unique_ptr<Board> board = build();
  nVl9738RefCpld::tVl9738RefCpld refCpld{board->getFixedLogicIoAccessor(), 0x4000, 0, 0x4000};
  nBoardControl::tBoardControl boardControl{board->getFixedLogicIoAccessor(), 0x1000, 0, 0x100};
  nVL9738K_24_0::nKMR4::tTICDCE18005RegMap clockBuffer{board->getTICDCE18005Accessor(status), 0, 0, 0xFFFFFFFF};
  RefClockPrimitive primitive{refCpld, boardControl, clockBuffer, status};
};

TEST_F(RefClockPath, PowerUpProgramsTheChipsInOrderWithItsWaits) {
  const uint64_t start = now();
  primitive.initializeHardware(status);
  ASSERT_EQ(status.getCode(), 0);
  // 10 ms oscillator, 250 ms PLL power, 50 ms after the PLL words, 10 ms
  // after the source; the lock comes at once.
  EXPECT_GE(now() - start, 320 * kMs);
  EXPECT_LT(now() - start, 325 * kMs);
  const auto all = writes();
  EXPECT_EQ(std::vector(all.begin(), all.begin() + 4),
            (decltype(all){{0x4120, 1}, {0x4128, 0x280001}, {0x4128, 0x380001}, {kPll, 0x5}}));
  // After the soft reset every PLL word is written, the fractional one last.
  std::vector<uint64_t> pllWords;
  for (const auto& [at, value] : all)
    if (at >= 0x4400 && at < 0x4500) pllWords.push_back(at - 0x4400);
  EXPECT_EQ(pllWords, (std::vector<uint64_t>{0x00, 0x04, 0x08, 0x14, 0x18, 0x1C, 0x20, 0x24, 0x2C, 0x34, 0x0C, 0x10}));
  const std::vector<std::pair<unsigned, uint32_t>> defaults = {
      {0x01, 0xFFE},    {0x02, 4},       {0x03, 40},     {0x04, 0},      {0x05, 0xCA8642}, {0x06, 0x3E7E},
      {0x07, 0x6010CA}, {0x08, 0x2DFFE}, {0x09, 0x2850}, {0x0B, 0xC0C2}, {0x0D, 0},
  };
  for (const auto& [address, word] : defaults) EXPECT_EQ(cpld().hmc703(address), word) << address;
  EXPECT_EQ(pci.board().bridge().clockBuffer().reg(4), 0xC1400204u);
  // The oscillator's DAC holds 2702 and path 1's select is written last.
  EXPECT_EQ(cpld().word(sim::RefCpldSpace::kOcxoCtrlDac), 0x180000u | (2702u << 4));
  EXPECT_EQ(writesTo(kPll).back() & 0x10100u, 0x10000u);
  EXPECT_TRUE(cpld().pllLocked());
}

TEST_F(RefClockPath, ChipThatNeverAnswersCostsFourResetsThenFailsTheBoardCheck) {
  cpld().setHmc703ChipIdWrong(true);
  const uint64_t start = now();
  primitive.initializeHardware(status);
  EXPECT_EQ(status.getCode(), nVL9738K_24_0::kStatusBoardCheckFailed);
  // 260 ms to the first read, then four times 20 + 250 ms.
  EXPECT_GE(now() - start, (260 + 4 * 270) * kMs);
  EXPECT_LT(now() - start, (260 + 4 * 270 + 60) * kMs);
  unsigned resets = 0;
  for (uint32_t value : writesTo(kPll)) resets += (value & 0x4u) == 0;
  EXPECT_EQ(resets, 4u);
  // Nothing after the check reaches the chips.
  for (const auto& [at, value] : writes()) EXPECT_LT(at, 0x4200u) << std::hex << at;
}

TEST_F(RefClockPath, PllThatNeverLocksPassesPowerUpButFailsACommitAfterFiftyMilliseconds) {
  cpld().setPllNeverLocks(true);
  primitive.initializeHardware(status);
  EXPECT_EQ(status.getCode(), 0);
  const uint64_t start = now();
  commit(RefClockSettings{}, 0);
  EXPECT_EQ(status.getCode(), nVL9738K_24_0::kStatusPllLockTimeout);
  EXPECT_GE(now() - start, 50 * kMs);
  EXPECT_LT(now() - start, 52 * kMs);
}

TEST_F(RefClockPath, SameSettingsTwiceWriteOnlyTheTwoSelectWords) {
  powerUp();
  RefClockSettings settings;
  settings.refClock = 2;
  settings.frequencyFractional = 0x123;
  commit(settings, 1);
  ASSERT_EQ(status.getCode(), 0);
  startRecording();
  commit(settings, 1);
  ASSERT_EQ(status.getCode(), 0);
  // One select bit each (the status bits read back ride along unheeded).
  EXPECT_EQ(writes(), (decltype(writes()){{kPll, 0x30205}, {kPll, 0x20305}}));
}

TEST_F(RefClockPath, SelectingPathOneAfterPathZeroWritesBitSixteenAloneAndKeepsBoth) {
  primitive.selectReferencePath(0, status);
  primitive.selectReferencePath(1, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(writesTo(kPll), (std::vector<uint32_t>{0x100, 0x10000}));
  EXPECT_EQ(refCpld.PllHmc703.getValue() & 0x10100u, 0x10100u);
  // Both latched: without list-mode checks the query reads the select bits.
  vl9738settings::RefClockLockReport report{1, 2, 3};
  EXPECT_EQ(primitive.queryLockStatus(0, report, status) | primitive.queryLockStatus(1, report, status), 0u);
  EXPECT_EQ(report.checkFailed + report.errorInfo0 + report.errorInfo1, 0u);
}

TEST_F(RefClockPath, RefInAlignmentWaitsForBitsNineToElevenAndPxieForNineAndEleven) {
  constexpr int64_t kTimeout = nVL9738K_24_0::kStatusRefOutAlignmentTimeout;
  const struct {
    uint8_t refClock;
    uint32_t bitsThatComeUp, source;
    int64_t code;
  } cases[] = {{2, 0xE00, 4, 0}, {2, 0xA00, 4, kTimeout}, {1, 0xA00, 2, 0}, {1, 0, 2, kTimeout}};
  for (const auto& c : cases) {
    pci.board().fixedLogic().limitAlignmentBits(c.bitsThatComeUp);
    startRecording();
    RefClockSettings settings;
    settings.refClock = c.refClock;
    settings.refOut = 1;
    tStatus result;
    primitive.setRequested(settings, result);
    const uint64_t start = now();
    primitive.alignReferenceOutput(result);
    EXPECT_EQ(result.getCode(), c.code);
    // Started with bit 31; the result is taken with bit 8 only once aligned.
    std::vector<uint32_t> expected{0x80000000u | c.source};
    if (c.code == 0) expected.push_back(0x100u | c.source);
    EXPECT_EQ(writesTo(0x1030), expected);
    EXPECT_GE(now() - start, c.code != 0 ? 50 * kMs : 0);
  }
}

}  // namespace
}  // namespace vltest
