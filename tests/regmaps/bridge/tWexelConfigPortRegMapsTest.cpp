// The bridge chip's configuration-port maps over the board model's BAR 0:
// the common block's two registers at one address, and a port map that
// sees only its port's 16 bytes through an accessor of its own.
#include <gtest/gtest.h>

#include "driver/regmaps/bridge/tWexelConfigPortBaseRegMap.h"
#include "driver/regmaps/bridge/tWexelConfigPortSPIRegMap.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::nKMR4::tWexelConfigPortBaseRegMap;
using nVL9738K_24_0::nKMR4::tWexelConfigPortSPIRegMap;

class WexelConfigPortRegMaps : public RegisterMapOnBoard {
 protected:
  sim::RegisterFile& block() { return board.bridge().configPort(); }
};

TEST_F(WexelConfigPortRegMaps, TheTwoRegistersAt0x528KeepTheirOwnShadows) {
  tWexelConfigPortBaseRegMap map{&bar0, 0, 0, 0xFFFFFFFF};
  map.ConfigStateMachineControlStatus.writeBit3(true, status, false);
  EXPECT_EQ(block().written(0x128, 4), 0x8u);
  block().setReadable(0x128, 4, 0x1);

  map.refresh(0xC0000528, status, 0);
  EXPECT_EQ(map.SPIStatus.getValue(), 0x1u);
  EXPECT_EQ(map.ConfigStateMachineControlStatus.getValue(), 0x8u);
  map.refresh(0x80000528, status, 0);
  EXPECT_EQ(map.ConfigStateMachineControlStatus.getValue(), 0x1u);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()), (std::vector<uint64_t>{0x528, 0x528, 0x528}));
  EXPECT_EQ(status.getCode(), 0);

  map.flush(0xC0000528, true, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(writes(), 1u);
}

TEST_F(WexelConfigPortRegMaps, SpiTransferSetUpReachesThePortsOwnRegister) {
  const uint64_t port = 0x580 + 0x10 * 3;
  vllym::IoAccessorMappedPci accessor(0x10, kBar0BusAddress + port, board.bar0().mappedAddress() + port, 0);
  tWexelConfigPortSPIRegMap spi(&accessor, 0, 0, 0xFFFFFFFF);
  spi.ReadWriteMode[1].setBitCount(32, status).setBits21_16(8, status).flush(status, false);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, 0x5B8, 4, 0x20080000}}));
  spi.markDirtyRegMap();
  spi.flushRegMap(false, status);
  spi.refreshRegMap(status);
  EXPECT_EQ(offsetsOf(board.bar0().traffic()),
            (std::vector<uint64_t>{0x5B8, 0x5B0, 0x5B4, 0x5B8, 0x5BC, 0x5B0, 0x5B4, 0x5B8, 0x5BC}));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
