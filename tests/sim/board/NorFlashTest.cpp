// The NOR flash model as a flash controller drives it over the bus: JEDEC
// command sequences, programming that only clears bits, sector erase,
// status reads while busy, and a power loss in the middle of an operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sim/board/NorFlash.h"
#include "sim/kernel/Clock.h"

namespace {

using sim::NorFlash;

class NorFlashBus : public testing::Test {
 protected:
  void cycle(uint64_t address, uint16_t value) { flash.write(address, 2, value); }
  void program(uint64_t address, uint16_t value) {
    cycle(0xAAA, 0xAA);
    cycle(0x554, 0x55);
    cycle(0xAAA, 0xA0);
    cycle(address, value);
  }
  void erase(uint64_t address) {
    cycle(0xAAA, 0xAA);
    cycle(0x554, 0x55);
    cycle(0xAAA, 0x80);
    cycle(0xAAA, 0xAA);
    cycle(0x554, 0x55);
    cycle(address, 0x30);
  }
  uint16_t word(uint64_t address) { return static_cast<uint16_t>(flash.read(address, 2)); }

  NorFlash flash;
};

TEST_F(NorFlashBus, EightMiBOfSixtyFourKiBSectorsComeErasedAndNothingAnswersBeyond) {
  EXPECT_EQ(flash.size(), 0x800000u);
  EXPECT_EQ(flash.sectorCount(), 128u);
  EXPECT_EQ(flash.read(0, 4), 0xFFFFFFFFu);
  EXPECT_EQ(flash.read(0x7FFFFC, 4), 0xFFFFFFFFu);
  EXPECT_EQ(flash.read(0x800000, 4), 0xFFFFFFFFu);
  program(0x800000, 0);
  EXPECT_EQ(flash.programs(), 0u);
}

TEST_F(NorFlashBus, ProgramCommandStoresOneWordAndCanOnlyClearBits) {
  program(0x200010, 0x12F4);
  EXPECT_EQ(word(0x200010), 0x12F4);
  EXPECT_EQ(flash.read(0x200011, 1), 0x12u) << "the high byte lies at the odd address";
  program(0x200010, 0xFFFF);
  EXPECT_EQ(word(0x200010), 0x12F4) << "programming ones changes nothing";
  EXPECT_EQ(flash.failedBitSets(), 1u);
  program(0x200010, 0x0234);
  EXPECT_EQ(word(0x200010), 0x0234);
  EXPECT_EQ(flash.programs(), 3u);
}

TEST_F(NorFlashBus, OnlyACompleteUnlockSequenceProgramsAWord) {
  cycle(0x1000, 0x0000);
  cycle(0xAAA, 0xAA);
  cycle(0x554, 0x55);
  cycle(0x1000, 0x0000);  // not the third command cycle: back to reading
  cycle(0x1000, 0x0000);
  EXPECT_EQ(word(0x1000), 0xFFFF);
  cycle(0xAAA, 0xAA);
  cycle(0x554, 0x55);
  cycle(0x0, 0xF0);  // the reset command abandons the sequence
  cycle(0x2000, 0x1234);
  EXPECT_EQ(word(0x2000), 0xFFFF);
  EXPECT_EQ(flash.programs(), 0u);
}

TEST_F(NorFlashBus, SectorEraseSetsOnlyItsSectorToOnes) {
  std::vector<uint8_t> zeros(3 * NorFlash::kSectorSize, 0);
  flash.load(0x210000, zeros.data(), zeros.size());
  erase(0x221234);
  EXPECT_EQ(flash.read(0x21FFFC, 4), 0u);
  EXPECT_EQ(flash.read(0x220000, 4), 0xFFFFFFFFu);
  EXPECT_EQ(flash.read(0x22FFFC, 4), 0xFFFFFFFFu);
  EXPECT_EQ(flash.read(0x230000, 4), 0u);
  EXPECT_EQ(flash.sectorErases(0x22), 1u);
  EXPECT_EQ(flash.erases(), 1u);
}

TEST_F(NorFlashBus, WideWritesAreTwoCyclesLowHalfFirst) {
  flash.write(0xAAA, 4, 0x005500AA);  // 0xAA at 0xAAA, then 0x55 at 0xAAC: not an unlock
  cycle(0xAAA, 0xA0);
  cycle(0x3000, 0x0000);
  EXPECT_EQ(word(0x3000), 0xFFFF);
  flash.write(0xAAA, 1, 0xAA);
  flash.write(0x554, 1, 0x55);
  flash.write(0xAAA, 1, 0xA0);
  flash.write(0x3001, 1, 0x12);
  EXPECT_EQ(word(0x3000), 0x12FF) << "a byte write drives its own lane";
}

TEST_F(NorFlashBus, BusyPartAnswersStatusUntilItsTimeHasPassed) {
  flash.setProgramTimeNs(20'000);
  program(0x4000, 0x0012);
  ASSERT_TRUE(flash.busy());
  const uint16_t first = word(0x4000);
  const uint16_t second = word(0x4000);
  EXPECT_EQ(first & 0x80, 0x80) << "bit 7 is the complement of the data's bit 7";
  EXPECT_NE(first & 0x40, second & 0x40) << "bit 6 toggles";
  cycle(0xAAA, 0xAA);  // ignored while busy
  sim::Clock::instance().advanceNs(20'000);
  EXPECT_FALSE(flash.busy());
  EXPECT_EQ(word(0x4000), 0x0012);

  flash.setEraseTimeNs(1'000'000);
  erase(0x4000);
  EXPECT_EQ(word(0x4000) & 0x80, 0);
  sim::Clock::instance().advanceNs(1'000'000);
  EXPECT_EQ(word(0x4000), 0xFFFF);
}

// A torn operation leaves each bit it was changing either old or new;
// afterwards the part answers reads but takes no command.
TEST_F(NorFlashBus, PowerLostDuringAnOperationLeavesMixedBitsAndAReadOnlyPart) {
  std::vector<uint8_t> zeros(NorFlash::kSectorSize, 0);
  flash.load(0x250000, zeros.data(), zeros.size());
  flash.losePowerDuring(2);
  program(0x300000, 0x0000);
  erase(0x250000);
  EXPECT_FALSE(flash.powered());
  const std::vector<uint8_t> torn = flash.contents(0x250000, NorFlash::kSectorSize);
  const auto ones = std::count(torn.begin(), torn.end(), 0xFF);
  const auto zeroes = std::count(torn.begin(), torn.end(), 0x00);
  EXPECT_LT(ones, 4096) << "not erased";
  EXPECT_LT(zeroes, 4096) << "not untouched";
  EXPECT_EQ(flash.read(0x250000, 1), torn[0]) << "reads still answer";
  program(0x300002, 0x0000);
  EXPECT_EQ(word(0x300002), 0xFFFF) << "commands are ignored until power comes back";

  flash.restorePower();
  flash.losePowerDuring(1);
  program(0x300004, 0x1200);
  const uint16_t mixed = word(0x300004);
  EXPECT_EQ(mixed & 0x1200, 0x1200) << "bits staying 1 stay";
  EXPECT_NE(mixed, 0x1200);
  EXPECT_NE(mixed, 0xFFFF);
}

TEST_F(NorFlashBus, StuckBitsSurviveProgramAndErase) {
  flash.setStuckBits(0x400000, 0x0101, 0x0100);
  EXPECT_EQ(word(0x400000), 0xFFFE);
  program(0x400000, 0x0000);
  EXPECT_EQ(word(0x400000), 0x0100);
  erase(0x400000);
  EXPECT_EQ(word(0x400000), 0xFFFE);
}

}  // namespace
