// The board model's DMA engine walking chains laid out by hand, for what
// the driver's rings do not show: the chain's end, register-write
// descriptors, stalls mid-piece, errors and the status it raises.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/platform/zuk/ZukDMA.h"
#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"
#include "sim/kernel/PageLists.h"

namespace {

using sim::DmaChannel;
using sim::InterruptController;

std::vector<uint8_t> addressDescriptor(uint32_t count, uint64_t bus) {
  std::vector<uint8_t> bytes(16, 0);
  std::memcpy(bytes.data(), &count, 4);
  std::memcpy(bytes.data() + 8, &bus, 8);
  return bytes;
}

std::vector<uint8_t> registerDescriptor(uint32_t value, uint32_t control) {
  std::vector<uint8_t> bytes(8, 0);
  std::memcpy(bytes.data(), &value, 4);
  std::memcpy(bytes.data() + 4, &control, 4);
  return bytes;
}

class DmaEngine : public testing::Test {
 protected:
  void SetUp() override {
    memory = nVLZUK220_tPageList_createFromAllocation(4, nVLZUK_kPageListContiguous | nVLZUK_kPageListZeroed);
    host = sim::PageLists::find(memory)->host;
    base = sim::PageLists::find(memory)->physical[0];
    for (uint32_t i = 0; i < 256; ++i) host[0x2000 + i] = static_cast<uint8_t>(i);
  }
  uint64_t bus(uint64_t offset) const { return base + offset; }
  // Writes a link at `offset`; returns its used size.
  uint32_t link(uint64_t offset, uint32_t nextSize, uint32_t flags, uint64_t next,
                const std::vector<std::vector<uint8_t>>& descriptors) {
    uint8_t* page = host + offset;
    std::memcpy(page, &nextSize, 4);
    std::memcpy(page + 4, &flags, 4);
    std::memcpy(page + 8, &next, 8);
    uint32_t used = 16;
    for (const auto& descriptor : descriptors) {
      std::memcpy(page + used, descriptor.data(), descriptor.size());
      used += static_cast<uint32_t>(descriptor.size());
    }
    return used;
  }
  volatile uint8_t* reg(uint64_t offset) { return board.bar0().data() + block + offset; }
  void enable(uint32_t interruptEnables = 0) {
    nVLZUK100_memoryWrite32(reg(0x54), 1);
    nVLZUK100_memoryWrite32(reg(0x54), 2 | interruptEnables);
  }
  void start(uint64_t first, uint32_t size) {
    *reinterpret_cast<volatile uint64_t*>(reg(0x48)) = first;
    nVLZUK100_memoryWrite32(reg(0x50), size);
    nVLZUK100_memoryWrite32(reg(0x58), 1);
  }
  std::vector<uint8_t> source(uint64_t from, uint64_t count) {
    return std::vector<uint8_t>(host + 0x2000 + from, host + 0x2000 + from + count);
  }

  sim::Board board;
  DmaChannel& channel = board.bridge().channel(1);
  uint64_t block = sim::Bridge::kChannelsOffset + 0x100;
  uint64_t memory = 0;
  uint8_t* host = nullptr;
  uint64_t base = 0;
};

TEST_F(DmaEngine, WalksLinksToTheLastAndReportsTheEndOfTheChain) {
  const uint32_t second = link(0x200, 0, 0x80000000, 0, {addressDescriptor(16, bus(0x2040))});
  const uint32_t first =
      link(0, second, 0, bus(0x200), {addressDescriptor(8, bus(0x2000)), addressDescriptor(4, bus(0x2010))});
  channel.setFifoCapacity(1000);
  enable(DmaChannel::kChainEnd);
  start(bus(0), first);
  std::vector<uint8_t> expected = source(0, 8);
  for (uint8_t b : source(0x10, 4)) expected.push_back(b);
  for (uint8_t b : source(0x40, 16)) expected.push_back(b);
  EXPECT_EQ(channel.drain(), expected);
  EXPECT_FALSE(channel.running());
  EXPECT_EQ(channel.status(), DmaChannel::kLinkReady | DmaChannel::kChainEnd);
  EXPECT_EQ(nVLZUK100_memoryRead32(reg(0x58)), DmaChannel::kStopped);
  EXPECT_EQ(nVLZUK100_memoryRead32(reg(0x60)), channel.status());
  EXPECT_EQ(board.bar0().peek64(block + 0xA0), 28u);
  EXPECT_EQ(channel.linksFetched(), 2u);
  EXPECT_EQ(board.bridge().interrupts().queued(), 1u);
  EXPECT_EQ(nVLZUK100_memoryRead32(board.bar0().data() + 0x68), 0x10000000u | DmaChannel::kChainEnd | 1);
}

TEST_F(DmaEngine, RegisterWriteDescriptorsWriteBridgeRegistersOnTheWay) {
  const uint32_t size =
      link(0, 0, 0x80000000, 0,
           {registerDescriptor(0x12345678, 0x80000074 | 0x18000000), addressDescriptor(4, bus(0x2000)),
            registerDescriptor(0xABABABAB, 0x80000089), registerDescriptor(0xBEEFBEEF, 0x80000400 | 0x08000000)});
  channel.setFifoCapacity(1000);
  enable();
  board.bar0().clearTraffic();
  start(bus(0), size);
  const std::vector<DmaChannel::RegisterWrite> expected = {{0x74, 4, 0x12345678}, {0x89, 1, 0xAB}, {0x400, 2, 0xBEEF}};
  EXPECT_EQ(channel.registerWrites(), expected);
  EXPECT_EQ(board.bridge().core().written(0x74, 4), 0x12345678u);
  EXPECT_EQ(board.bridge().core().written(0x89, 1), 0xABu);
  EXPECT_EQ(board.bridge().configPort().written(0, 2), 0xBEEFu);
  EXPECT_EQ(board.bar0().writeCount(), 2u);  // the host's own: size and operation
  EXPECT_EQ(channel.drain(), source(0, 4));
}

TEST_F(DmaEngine, ARegisterWriteCanStopItsOwnChannelMidChain) {
  const uint32_t size = link(0, 0, 0x80000000, 0,
                             {addressDescriptor(4, bus(0x2000)),
                              registerDescriptor(2, static_cast<uint32_t>(0x80000000 | 0x18000000 | (block + 0x58))),
                              addressDescriptor(4, bus(0x2004))});
  channel.setFifoCapacity(1000);
  enable(DmaChannel::kStopEvent);
  start(bus(0), size);
  EXPECT_EQ(channel.drain(), source(0, 4));
  EXPECT_FALSE(channel.running());
  EXPECT_EQ(channel.status(), DmaChannel::kLinkReady | DmaChannel::kStopEvent);
}

TEST_F(DmaEngine, FifoThatIsFullOrEmptyMakesTheChannelWaitMidPiece) {
  // A ring of one link onto itself, reading 10 bytes each time round.
  const uint32_t size = link(0, 32, 0, bus(0), {addressDescriptor(10, bus(0x2000))});
  enable(DmaChannel::kCountReached);
  *reinterpret_cast<volatile uint64_t*>(reg(0x90)) = 25;
  nVLZUK100_memoryWrite32(reg(0x58), DmaChannel::kArmCount);
  channel.setFifoCapacity(7);
  start(bus(0), size);
  EXPECT_EQ(channel.bytesTransferred(), 7u);
  EXPECT_TRUE(channel.running());
  // Each drain makes room for seven more; the piece resumes where it
  // stopped and the ring starts it over.
  std::vector<uint8_t> got;
  for (int i = 0; i < 5; ++i) {
    const std::vector<uint8_t> bytes = channel.drain();
    got.insert(got.end(), bytes.begin(), bytes.end());
    if (i != 1) continue;
    EXPECT_EQ(channel.bytesTransferred(), 21u);
    EXPECT_EQ(channel.status() & DmaChannel::kCountReached, 0u);
  }
  std::vector<uint8_t> expected;
  while (expected.size() < got.size()) {
    for (uint8_t b : source(0, 10)) expected.push_back(b);
  }
  expected.resize(got.size());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(channel.bytesTransferred(), 42u);
  EXPECT_NE(channel.status() & DmaChannel::kCountReached, 0u);
  EXPECT_EQ(board.bridge().interrupts().queued(), 1u);  // once, not every time round
}

TEST_F(DmaEngine, MemoryThatIsAbsentOrOutOfReachIsAnError) {
  const uint32_t absent = link(0, 0, 0x80000000, 0, {addressDescriptor(4, 0x7000000000ull)});
  channel.setFifoCapacity(100);
  enable(DmaChannel::kError);
  start(bus(0), absent);
  EXPECT_FALSE(channel.running());
  EXPECT_EQ(channel.status(), DmaChannel::kLinkReady | DmaChannel::kError);
  EXPECT_EQ(nVLZUK100_memoryRead32(board.bar0().data() + 0x68), 0x10000000u | DmaChannel::kError | 1);

  const uint32_t reachable = link(0x200, 0, 0x80000000, 0, {addressDescriptor(4, bus(0x2000))});
  channel.setAddressLimit(bus(0x2001));
  start(bus(0x200), reachable);
  EXPECT_EQ(channel.status(), DmaChannel::kLinkReady | DmaChannel::kError);
  EXPECT_EQ(channel.fifoLevel(), 0u);

  const uint32_t broken = link(0x400, 64, 0, 0, {addressDescriptor(1, bus(0x2000))});  // no next, not last
  channel.setAddressLimit(UINT64_MAX);
  start(bus(0x400), broken);
  EXPECT_EQ(channel.status(), DmaChannel::kLinkReady | DmaChannel::kError);
  start(0x7000000000ull, 64);  // the first link itself is absent
  EXPECT_EQ(channel.status(), DmaChannel::kError);
}

}  // namespace
