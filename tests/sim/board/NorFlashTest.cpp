// The NOR flash model's faults, which the power-cut sweeps of the flash store
// rely on: a torn operation must really leave mixed bits, and stuck bits must
// really survive, or the sweeps would pass without proving anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "sim/board/NorFlash.h"
#include "sim/kernel/Clock.h"

namespace {

using sim::NorFlash;

class NorFlashBus : public testing::Test {
 protected:
  // The command's bus cycles (address, value), the last at the target.
  void cycles(std::initializer_list<std::pair<uint64_t, uint16_t>> sequence) {
    for (const auto& [address, value] : sequence) flash.write(address, 2, value);
  }
  void program(uint64_t address, uint16_t value) {
    cycles({{0xAAA, 0xAA}, {0x554, 0x55}, {0xAAA, 0xA0}, {address, value}});
  }
  void erase(uint64_t address) {
    cycles({{0xAAA, 0xAA}, {0x554, 0x55}, {0xAAA, 0x80}, {0xAAA, 0xAA}, {0x554, 0x55}, {address, 0x30}});
  }
  uint16_t word(uint64_t address) { return static_cast<uint16_t>(flash.read(address, 2)); }

  NorFlash flash;
};

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
