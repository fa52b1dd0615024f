// The board's register port block as the bus sees it, where the driver's
// port tests cannot reach: one block at both of its addresses.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"
#include "sim/board/RegisterPortModel.h"

namespace {

using Port = sim::RegisterPortModel;

TEST(RegisterPortModelOnBus, TheRoutingRegistersOfTheFixedLogicWindowAreThePort) {
  sim::Board board;
  Port& port = board.registerPort();
  uint8_t* fixedLogic = board.bar0().data() + sim::FixedLogic::kBarOffset;
  uint8_t* routing = fixedLogic + sim::FixedLogic::kRouting;
  EXPECT_EQ(routing, board.bar0().data() + Port::kBarOffset);
  EXPECT_EQ(nVLZUK100_memoryRead32(routing + Port::kSignature), Port::kDefaultSignature);
  nVLZUK100_memoryWrite32(routing + Port::kScratch, 0x5A5A);
  EXPECT_EQ(port.scratch(), 0x5A5Au);
  EXPECT_EQ(board.fixedLogic().registers().written(sim::FixedLogic::kRouting + Port::kScratch, 4), 0u);

  // The rest of the window stays the fixed logic's.
  EXPECT_EQ(nVLZUK100_memoryRead32(fixedLogic), sim::FixedLogic::kBoardSignature);
  nVLZUK100_memoryWrite32(routing - 4, 7);
  EXPECT_EQ(board.fixedLogic().registers().written(sim::FixedLogic::kRouting - 4, 4), 7u);
}

}  // namespace
