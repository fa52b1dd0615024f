// The configuration-port map factory and the SPI port accessor on the board
// model: pin functions decide which map a port gets, maps are cached, and
// the port's timing bounds the busy wait.
#include <gtest/gtest.h>

#include "driver/board/BitFields.h"
#include "driver/board/WexelConfigPortAccessor.h"
#include "driver/board/WexelConfigPortRegMapFactory.h"
#include "tests/regaccess/RegisterMapFixture.h"
#include "tests/support/StatusChecks.h"

namespace vltest {
namespace {

using nVL9738K_24_0::WexelConfigPortAccessor;
using nVL9738K_24_0::WexelConfigPortRegMapFactory;

class ConfigPortFactory : public RegisterMapOnBoard {
 protected:
  void SetUp() override { factory.initialize(bar0, core, status); }

  nVL9738K_24_0::nKMR4::tOstervaneWexelCoreRegMap core{&bar0, 0, 0, 0xFFFFFFFF};
  WexelConfigPortRegMapFactory factory;
};

TEST_F(ConfigPortFactory, APortStrappedParallelHasNoSpiMapButACachedParallelOne) {
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(factory.getSPIRegMap(0, status), nullptr);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusBadSelector);
  tStatus second(tStatus::kFullSize);
  auto* parallel = factory.getParallelRegMap(0, second);
  ASSERT_NE(parallel, nullptr);
  EXPECT_EQ(factory.getParallelRegMap(0, second), parallel);
  EXPECT_EQ(second.getCode(), 0);
  // Its registers are the port's own window.
  parallel->Register08.setValue(0x55, second);
  parallel->Register08.flush(second, false);
  EXPECT_EQ(writesIn(board.bar0().traffic()).back().offset, 0x588u);
}

TEST_F(ConfigPortFactory, MisuseIsABadSelector) {
  const int64_t bad = nVLAPALS100::kStatusBadSelector;
  EXPECT_EQ(codeAfter([&](tStatus& s) { factory.getSPIRegMap(8, s); }), bad);
  EXPECT_EQ(codeAfter([&](tStatus& s) { factory.initialize(bar0, core, s); }), bad);
  WexelConfigPortRegMapFactory fresh;
  EXPECT_EQ(codeAfter([&](tStatus& s) { fresh.getBaseRegMap(s); }), bad);
  EXPECT_EQ(codeAfter([&](tStatus& s) { fresh.getParallelRegMap(0, s); }), bad);
  // A board that reports fewer ports refuses the ones beyond.
  board.bridge().core().setReadable(0x18, 4, 3u << 24);
  WexelConfigPortRegMapFactory small;
  small.initialize(bar0, core, status);
  EXPECT_EQ(codeAfter([&](tStatus& s) { small.getSPIRegMap(3, s); }), bad);
}

TEST_F(ConfigPortFactory, ThePortsTimingBoundsTheBusyWait) {
  // 4 in bits 7:0, 3 in 13:8, 2 in 21:16; clock select 0: 8 ns units.
  board.bridge().configPort().setReadable(0x1B0, 4, 0x00020304);
  const nVL9738K_24_0::tBridgeWindowSpan window{kBar0BusAddress, board.bar0().mappedAddress(), 0x50000, 0x10000};
  WexelConfigPortAccessor port(factory.getBaseRegMap(status), factory.getSPIRegMap(3, status), 3, 0, 0, window, 1,
                               status);
  port.initialize(status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(port.getOverheadNs(), 40u);
  EXPECT_EQ(port.getTimePerBitNs(), 64u);
  EXPECT_EQ(port.transferTimeUs(32) + WexelConfigPortAccessor::kBusySlackUs, 32u);

  // A shift slower than the bound is out of range; one within it is not.
  board.bridge().spi().setBusyNs(40'000);
  port.transfer(0, 0, 0xA5, 32, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusValueOutOfRange);
  tStatus quick(tStatus::kFullSize);
  board.bridge().spi().setBusyNs(20'000);
  port.transfer(0, 0, 0xA5, 32, quick);
  EXPECT_EQ(quick.getCode(), 0);
}

TEST(BitFields, ReverseAFieldInPlaceAndCountAddressBits) {
  using nVL9738K_24_0::ceilingLog2;
  using nVL9738K_24_0::reverseField;
  EXPECT_EQ(reverseField(0x81400002, 0, 31), 0x40000281u);
  EXPECT_EQ(reverseField(0xF0000001, 0, 3), 0xF0000008u);
  EXPECT_EQ(reverseField(0x00000100, 8, 15, true), 0x00007F00u);
  EXPECT_EQ(ceilingLog2(0), 0u);
  EXPECT_EQ(ceilingLog2(1), 0u);
  EXPECT_EQ(ceilingLog2(8), 3u);
  EXPECT_EQ(ceilingLog2(9), 4u);
  EXPECT_EQ(ceilingLog2(0x800000), 23u);
}

}  // namespace
}  // namespace vltest
