// Board FIFOs on the board model: data streaming byte-exact both ways
// through rings of every layout, the orders of start and stop, whole-buffer
// signalling, byte accounting and the hardware time-outs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FifoRoadFixture.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "driver/fpga/fifo/WexelDmaChannelFactoryPolling.h"
#include "tests/support/StatusChecks.h"

namespace vltest {
namespace {

using vllym::BoardFifoWexel;
using Direction = sim::FpgaWindow::FifoDirection;
constexpr int32_t kAbortCode = -50405;

struct Layout {
  const char* name;
  uint64_t bytes;
  uint64_t offset;
  sim::PhysicalMemory::Placement placement;
};

const Layout kLayouts[] = {
    {"OnePage", 4096, 0, {}},
    {"ScatteredPages", 13 * 4096 + 100, 300, {1, 0, 0, false}},
    {"PagesAbove4G", 6 * 4096, 8, {2, 1, 0, true}},
};

class FifoStream : public FifoRoad, public testing::WithParamInterface<std::tuple<Layout, Direction>> {
 protected:
  const Layout& layout() const { return std::get<0>(GetParam()); }
  Direction direction() const { return std::get<1>(GetParam()); }
};

// Copies between a ring and a flat range, wrapping at the ring's end.
void copyRing(uint8_t* ring, uint64_t size, uint64_t at, uint8_t* flat, uint64_t count, bool intoRing) {
  for (uint64_t done = 0; done < count;) {
    const uint64_t position = (at + done) % size;
    const uint64_t piece = std::min(count - done, size - position);
    if (intoRing) {
      std::memcpy(ring + position, flat + done, piece);
    } else {
      std::memcpy(flat + done, ring + position, piece);
    }
    done += piece;
  }
}

TEST_P(FifoStream, MovesMoreThanTheRingByteExactWithExactCounts) {
  sim::PhysicalMemory::setPlacement(layout().placement);
  constexpr uint32_t kChannel = 2;
  BoardFifoWexel* fifo = makeFifo(kChannel, direction());
  ASSERT_NE(fifo, nullptr);
  HostBuffer& buffer = makeBuffer(layout().bytes, layout().offset);
  fifo->setBuffer(&buffer.record, status);
  fifo->start(status);
  ASSERT_EQ(status.getCode(), 0);

  const uint64_t size = layout().bytes;
  const uint64_t total = 3 * size + 777;
  std::vector<uint8_t> data = pattern(total, 7);
  std::vector<uint8_t> arrived;
  uint64_t done = 0;
  uint8_t timedOut = 0;
  for (uint64_t round = 0; done < total; ++round) {
    const uint64_t chunk = std::min<uint64_t>(total - done, size / 3 + 1 + round % 5);
    if (direction() == Direction::HostToDevice) {
      // Room: the ring and what the device has taken, less what was written.
      const uint64_t room = fifo->waitForBytes(done + chunk, 0, &timedOut, status) - done;
      ASSERT_GE(room, chunk);
      copyRing(buffer.host(), size, done, data.data() + done, chunk, true);
      fifo->releaseBytes(chunk, status);
      const std::vector<uint8_t> taken = engine(kChannel).drain();
      arrived.insert(arrived.end(), taken.begin(), taken.end());
    } else {
      engine(kChannel).feed(std::vector<uint8_t>(data.begin() + done, data.begin() + done + chunk));
      ASSERT_EQ(fifo->waitForBytes(done + chunk, 10, &timedOut, status), done + chunk);
      ASSERT_EQ(timedOut, 0);
      std::vector<uint8_t> piece(chunk);
      copyRing(buffer.host(), size, done, piece.data(), chunk, false);
      arrived.insert(arrived.end(), piece.begin(), piece.end());
      fifo->releaseBytes(chunk, status);
    }
    done += chunk;
  }
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(arrived, data);
  EXPECT_EQ(engine(kChannel).bytesTransferred(), total);
  // Room given: the ring once for device-to-host, then every release.
  const sim::FpgaWindow::FifoState state = fpga().fifo(kControl);
  uint64_t counted = 0;
  for (uint32_t count : state.byteCounts) counted += count;
  EXPECT_EQ(counted, direction() == Direction::HostToDevice ? total : size + total);

  fifo->stop(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_FALSE(engine(kChannel).running());
  EXPECT_FALSE(fpga().fifo(kControl).enabled);
  EXPECT_EQ(fifo->getReleasedTotal(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FifoStream,
                         testing::Combine(testing::ValuesIn(kLayouts),
                                          testing::Values(Direction::DeviceToHost, Direction::HostToDevice)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == Direction::HostToDevice ? "ToDevice" : "FromDevice");
                         });

class BoardFifo : public FifoRoad {
 protected:
  BoardFifoWexel* started(Direction direction, uint64_t bytes = 4096, bool wholeBuffer = false) {
    BoardFifoWexel* fifo = makeFifo(1, direction);
    if (wholeBuffer) fifo->setMode(1, status);
    fifo->setBuffer(&makeBuffer(bytes).record, status);
    fifo->start(status);
    return fifo;
  }
};

TEST_F(BoardFifo, StartsInTheOrderEachDirectionNeeds) {
  vllym::BoardFifoWexel* toDevice = started(Direction::HostToDevice);
  // The whole ring counts as room at once.
  uint8_t timedOut = 1;
  EXPECT_GE(toDevice->waitForBytes(100, 0, &timedOut, status), 4096u);
  EXPECT_EQ(timedOut, 0);
  started(Direction::DeviceToHost);  // same control block, same channel: a second personality
  ASSERT_EQ(status.getCode(), 0);
  // Disable, after-disable, enable for both; only device-to-host gives room at once.
  const sim::FpgaWindow::FifoState state = fpga().fifo(kControl);
  EXPECT_EQ(state.commands, (std::vector<uint32_t>{4, 0x10, 2}));
  EXPECT_EQ(state.byteCounts, (std::vector<uint32_t>{4096}));
  EXPECT_TRUE(engine(1).running());
  EXPECT_EQ(engine(1).status() & sim::DmaChannel::kLinkReady, sim::DmaChannel::kLinkReady);
}

TEST_F(BoardFifo, WholeBufferFromDeviceSignalsInsteadOfTheSize) {
  started(Direction::DeviceToHost, 4096, true);
  const sim::FpgaWindow::FifoState state = fpga().fifo(kControl);
  EXPECT_EQ(state.commands, (std::vector<uint32_t>{4, 0x10, 2, 0x400}));
  EXPECT_TRUE(state.byteCounts.empty());
}

TEST_F(BoardFifo, WholeBufferToDeviceSignalsOnceWhenTheReleasesFillTheRing) {
  BoardFifoWexel* fifo = started(Direction::HostToDevice, 4096, true);
  for (uint64_t bytes : {1000, 1000, 2096, 500}) fifo->releaseBytes(bytes, status);
  sim::FpgaWindow::FifoState state = fpga().fifo(kControl);
  EXPECT_EQ(state.byteCounts, (std::vector<uint32_t>{1000, 1000, 500}));
  EXPECT_EQ(std::count(state.commands.begin(), state.commands.end(), 0x400u), 1);
  fifo->stop(status);
  EXPECT_EQ(fifo->getReleasedTotal(), 0u);
  fifo->start(status);
  fifo->releaseBytes(4096, status);  // signalled again after the stop
  state = fpga().fifo(kControl);
  EXPECT_EQ(std::count(state.commands.begin(), state.commands.end(), 0x400u), 2);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(BoardFifo, ModesAndRefusals) {
  BoardFifoWexel* fifo = makeFifo(1, Direction::HostToDevice);
  fifo->setMode(2, status);
  EXPECT_EQ(fpga().fifo(kControl).commands, (std::vector<uint32_t>{0x200}));
  EXPECT_EQ(codeAfter([&](tStatus& s) { fifo->setMode(3, s); }), vllym::kStatusUnknownAttribute);
  EXPECT_FALSE(fifo->isWholeBuffer());
  EXPECT_EQ(fpga().fifo(kControl).commands.size(), 1u);

  EXPECT_EQ(codeAfter([&](tStatus& s) { fifo->start(s); }), nVLAPALS100::kStatusBadSelector);
  // Too large for a 32-bit count: refused before anything is mapped.
  const vllym::BoardFifoBuffer huge{0x100000000ull, 0, nVLAPAL000::tPageList{0x100000000ull, 0, 0}};
  EXPECT_EQ(codeAfter([&](tStatus& s) { fifo->setBuffer(&huge, s); }), vllym::kStatusBufferTooLarge);
  EXPECT_EQ(fifo->getBufferSize(), 0u);
}

TEST_F(BoardFifo, ChannelsAreMadeOncePerIndexWithinTheBankAndFifosWithinTheWindow) {
  tStatus local;
  vllym::WexelDmaChannel* channel = channels->getChannel(2, local);
  EXPECT_EQ(channels->getChannel(2, local), channel);
  EXPECT_EQ(channels->getChannel(4, local), nullptr);
  EXPECT_EQ(local.getCode(), nVLAPALS100::kStatusInvalidParameter);
  // An idle channel's stop without time-out is a time-out.
  tStatus idle;
  channel->waitForStop(0, idle);
  EXPECT_EQ(idle.getCode(), nVLAPALS100::kStatusTimeout);
  channels->destroyChannel(channel);  // the factory leaves its channels to their users
  // A control block past the window's end, or a third direction.
  for (const auto& [offset, direction] : {std::pair<uint32_t, uint32_t>{InterruptChain::kFpgaSize - 8, 0}, {0, 2}}) {
    tStatus refused;
    EXPECT_EQ(fifos->createFifo(0, offset, direction, refused), nullptr);
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  }
}

TEST_F(BoardFifo, ATimeOutReturnsTheBytesSoFarAndBytesAlreadyThereNeedNoArming) {
  BoardFifoWexel* fifo = started(Direction::DeviceToHost);
  engine(1).feed(pattern(100, 1));
  uint8_t timedOut = 0;
  EXPECT_EQ(fifo->waitForBytes(200, 10, &timedOut, status), 100u);
  EXPECT_EQ(timedOut, 1);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(fifo->getChannel()->getInterruptEnables(), 0u);  // disarmed
  engine(1).feed(pattern(200, 1));
  EXPECT_EQ(fifo->waitForBytes(200, 10, &timedOut, status), 300u);
  EXPECT_EQ(timedOut, 0);
  const std::vector<uint32_t> ops = operations(1);
  EXPECT_EQ(std::count(ops.begin(), ops.end(), 0x2000000u), 1);  // only the wait that timed out armed
  // After a host-memory error nothing more arrives, and the time-out is a
  // hardware fault.
  engine(1).setHostMemoryError(true);
  engine(1).feed(pattern(100, 1));
  EXPECT_EQ(fifo->waitForBytes(400, 10, &timedOut, status), 300u);
  EXPECT_EQ(timedOut, 1);
  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);
}

TEST_F(BoardFifo, StopDuringATransferStopsBothSides) {
  for (Direction direction : {Direction::DeviceToHost, Direction::HostToDevice}) {
    BoardFifoWexel* fifo = started(direction);
    if (direction == Direction::DeviceToHost) engine(1).feed(pattern(1000, 2));
    if (direction == Direction::HostToDevice) fifo->releaseBytes(1000, status);
    ASSERT_TRUE(engine(1).running());
    fifo->stop(status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_FALSE(engine(1).running());
    const sim::FpgaWindow::FifoState state = fpga().fifo(kControl);
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(std::vector<uint32_t>(state.commands.end() - 2, state.commands.end()), (std::vector<uint32_t>{4, 1}));
    // Device-to-host ends with the FPGA's reset; host-to-device is told.
    const std::vector<uint32_t> ops = operations(1);
    EXPECT_EQ(ops.back() == 2, direction == Direction::HostToDevice);
    fifos->destroyFifo(fifo);
    made.clear();
  }
}

// An FPGA that never disables the FIFO, or a link that never gets ready.
TEST_F(BoardFifo, AStartTheHardwareNeverCompletesFailsWithBothSidesStopped) {
  for (const bool link : {false, true}) {
    BoardFifoWexel* fifo = makeFifo(1, link ? Direction::HostToDevice : Direction::DeviceToHost);
    fpga().setFifoNeverDisables(kControl, !link);
    engine(1).setLinkNeverReady(link);
    tStatus result;
    fifo->setBuffer(&makeBuffer(4096).record, result);
    fifo->start(result);
    EXPECT_EQ(result.getCode(), vllym::kStatusHardwareFault) << link;
    EXPECT_FALSE(engine(1).running()) << link;
    EXPECT_FALSE(fpga().fifo(kControl).enabled) << link;
  }
}

TEST_F(BoardFifo, AnFpgaThatNeverResetsLeavesTheStopToTheChannelCommand) {
  BoardFifoWexel* fifo = started(Direction::DeviceToHost);
  fpga().setFifoNeverResets(kControl, true);
  fifo->stop(status);
  EXPECT_EQ(status.getCode(), 0);  // the FPGA's time-out is only reported
  EXPECT_FALSE(engine(1).running());
  EXPECT_EQ(operations(1).back(), 2u);
}

TEST_F(BoardFifo, PollingChannelsSpinForBytesAndSleepForTheStop) {
  vllym::WexelDmaChannelFactoryPolling polling(chain.bar);
  tStatus refused;
  EXPECT_EQ(polling.getChannel(4, refused), nullptr);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  // A new object per call (made before the FIFO starts: making one resets its channel).
  vllym::WexelDmaChannel* channel = polling.getChannel(1, status);
  vllym::WexelDmaChannel* another = polling.getChannel(1, status);
  ASSERT_NE(channel, another);
  polling.destroyChannel(another);
  BoardFifoWexel* fifo = started(Direction::DeviceToHost);  // runs channel 1
  engine(1).feed(pattern(100, 1));
  uint8_t timedOut = 0;
  EXPECT_EQ(channel->waitForBytes(200, 10, &timedOut, status), 100u);
  EXPECT_EQ(timedOut, 1);
  channel->waitForStop(10, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusTimeout);
  // A host-memory error stops the channel with bit 27: a hardware fault.
  engine(1).setHostMemoryError(true);
  engine(1).feed(pattern(100, 1));
  EXPECT_EQ(codeAfter([&](tStatus& s) { channel->waitForStop(10, s); }), vllym::kStatusHardwareFault);
  fifo->abort(kAbortCode);
  polling.destroyChannel(channel);
}

}  // namespace
}  // namespace vltest
