// The host-memory-buffer block's map: no shadows, arrays picked by the
// element index, field writes that send only the field's bits.
#include <gtest/gtest.h>

#include "driver/regmaps/fpga/tDram2DP.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

class Dram2DP : public RegisterMapOnBoard {
 protected:
  static constexpr uint32_t kBase = 0x4000;
  nDram2DP::tDram2DP map{&bar0, kBase, 0, 0xFFFFFFFF};
};

TEST_F(Dram2DP, ReachesTheBlockDirectlyAndRefusesTheShadowOperations) {
  board.bar0().data()[kBase + 0x14] = 0xFF;
  board.bar0().data()[kBase + 0x19] = 0x1D;  // Geometry bits 12:8 hold 0x1D
  uint64_t value = 0;
  map.write(0x08000014, 5, false, status, 0);  // Region1Enable strobe
  map.read(0x80000100, value, status, 31);
  map.read(0x44000018, value, status, 0);
  EXPECT_EQ(value, 0x1Du);
  map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Write, kBase + 0x14, 4, 0x10},
                                                            {BusAccess::Kind::Read, kBase + 0x2F0, 4, 0},
                                                            {BusAccess::Kind::Read, kBase + 0x18, 4, 0x1D00}}));

  tStatus outside, shadow;
  map.read(0x80000100, value, outside, 32);
  EXPECT_EQ(outside.getCode(), nVLAPALS100::kStatusNotAccessible);
  value = 7;
  map.get(0xC0000000, value, shadow, 0);
  EXPECT_EQ(shadow.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(value, 0u);
}

}  // namespace
}  // namespace vltest
