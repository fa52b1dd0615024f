// The register-port block's map over the board's port block.
#include <gtest/gtest.h>

#include "driver/regmaps/regport/tRegisterPortRegMap.h"
#include "sim/board/Board.h"

namespace {

using nVLAPALS100::tStatus;
using vlregport_regmap::tRegisterPortRegMap;
using Port = sim::RegisterPortModel;

TEST(RegisterPortRegMap, TheResetBitIsAStrobeAndTheBlockStaysBusyAfterIt) {
  sim::Board board;
  vlregport::PCIRegisterAccessor accessor{board.bar0().mappedAddress() + Port::kBarOffset, Port::kSize};
  tRegisterPortRegMap map{&accessor, 0, 0, 0xFFFFFFFF};
  tStatus status{tStatus::kFullSize};
  map.write(0x00000028, 1, false, status, 0);
  EXPECT_EQ(board.registerPort().resets(), 1u);
  uint64_t value = 1;
  map.get(0x80000028, value, status, 0);
  EXPECT_EQ(value, 0u);
  map.read(0xC0000028, value, status, 0);
  EXPECT_EQ(value, 0x2u);  // still busy: the reset takes a few microseconds
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
