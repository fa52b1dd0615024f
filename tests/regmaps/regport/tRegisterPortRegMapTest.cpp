// The register-port block's map over the board's port block.
#include <gtest/gtest.h>

#include "driver/regmaps/regport/tRegisterPortRegMap.h"
#include "sim/board/Board.h"

namespace {

using nVLAPALS100::tStatus;
using vlregport_regmap::tRegisterPortRegMap;
using Port = sim::RegisterPortModel;

class RegisterPortRegMap : public testing::Test {
 protected:
  sim::Board board;
  vlregport::PCIRegisterAccessor accessor{board.bar0().mappedAddress() + Port::kBarOffset, Port::kSize};
  tRegisterPortRegMap map{&accessor, 0, 0, 0xFFFFFFFF};
  tStatus status{tStatus::kFullSize};
};

TEST_F(RegisterPortRegMap, TheResetBitIsAStrobeAndTheBlockStaysBusyAfterIt) {
  map.write(0x00000028, 1, false, status, 0);
  EXPECT_EQ(board.registerPort().resets(), 1u);
  uint64_t value = 1;
  map.get(0x80000028, value, status, 0);
  EXPECT_EQ(value, 0u);
  map.read(0xC0000028, value, status, 0);
  EXPECT_EQ(value, 0x2u);  // still busy: the reset takes a few microseconds
  EXPECT_EQ(status.getCode(), 0);
}

// Either whole id stores the word; the reset bit cannot be read back, so of
// the control word's fields only ResetBusy is read or refreshed.
TEST_F(RegisterPortRegMap, TheControlWordTakesBothWholeIdsAndReadsOnlyTheBusyBit) {
  for (uint32_t id : {0x80000028u, 0xC0000028u}) {
    map.set(id, 0xA5A50000u | (id >> 28), status, 0);
    EXPECT_EQ(map.ResetControl.getValue(), 0xA5A50000u | (id >> 28));
  }
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t id : {0x00000028u, 0x60000028u}) {
    tStatus refused;
    uint64_t value = 7;
    map.read(id, value, refused, 0);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter) << std::hex << id;
    EXPECT_EQ(value, 0u);
  }
  tStatus refused;
  map.refresh(0x00000028, refused, 0);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_TRUE(board.bar0().traffic().empty());
  map.refresh(0x20000028, status, 0);
  uint64_t busy = 0;
  map.read(0x20000028, busy, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.bar0().readCount(), 2u);
}

}  // namespace
