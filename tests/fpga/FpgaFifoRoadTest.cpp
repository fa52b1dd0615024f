// The FIFO manager over the board's own FIFO factory on the model: a
// record whose control block leaves the FPGA window gets no FIFO, and a
// session's user buffer is locked, streamed to the device and unlocked
// once the FIFO has stopped.
#include <gtest/gtest.h>

#include "FifoRoadFixture.h"
#include "FpgaFifoDouble.h"
#include "sim/kernel/PageLists.h"

namespace vltest {
namespace {

using FpgaFifoRoad = FifoRoad;

TEST_F(FpgaFifoRoad, ASessionStreamsItsLockedBufferToTheDeviceAndGivesItBack) {
  fpga().addFifo(kControl, 0, Direction::HostToDevice);
  engine(0).setFifoCapacity(uint64_t{1} << 20);
  vllym::FpgaFifoManager manager(fifos.get(), status);
  manager.createFifos(recordsOf({{0, 1, 1, kControl}, {1, 0, 1, InterruptChain::kFpgaSize - 8}}), status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  status.clear();
  EXPECT_EQ(manager.findFifo(1, 1, 1, status), nullptr);
  vllym::FpgaFifo* fifo = manager.findFifo(0, 1, 1, status);
  ASSERT_NE(fifo, nullptr);

  sim::UserBlock user(3000);
  for (size_t i = 0; i < user.size(); ++i) user.data()[i] = static_cast<uint8_t>(i * 7);
  fifo->deploySettings(vllym::FpgaFifoSettings{2, user.address(), user.size()}, status);
  fifo->start(status);
  fifo->releaseBytes(user.size(), status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine(0).drain(), std::vector<uint8_t>(user.data(), user.data() + user.size()));

  manager.releaseSessionFifos(0, 1, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(engine(0).running());
  EXPECT_FALSE(fpga().fifo(kControl).enabled);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

}  // namespace
}  // namespace vltest
