// Whole transfers: a buffer in scattered host memory is mapped for DMA,
// described by a scatter-gather chain and moved by the board model's DMA
// engine to or from its device-side FIFO, through standard maps, direct
// maps, and direct maps that bounce memory above 4 GiB for a 32-bit device.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "driver/platform/dma/tDirectDMAMap.h"
#include "driver/platform/dma/tStandardDMAMap.h"
#include "driver/platform/wexel/tWexelDMAChannel.h"
#include "driver/platform/wexel/tWexelInterruptManager.h"
#include "driver/platform/wexel/tWexelSGL.h"
#include "driver/platform/zuk/ZukDMA.h"
#include "sim/board/Board.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/dma/DmaTestSupport.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using sim::DmaChannel;
constexpr uint64_t kPage = 4096;

enum class MapKind { Standard, Direct, DirectBounce };

const char* nameOf(MapKind kind) {
  static constexpr const char* kNames[] = {"Standard", "Direct", "DirectBounce"};
  return kNames[static_cast<int>(kind)];
}

struct Layout {
  uint64_t pages;
  uint64_t offset;
  uint64_t bytes;
};

// Whether any page of the layout lies above 4 GiB.
bool touchesHighMemory(uint64_t list, const Layout& layout) {
  const std::vector<uint64_t> physical = sim::PageLists::find(list)->physical;
  for (uint64_t page = layout.offset / kPage; page <= (layout.offset + layout.bytes - 1) / kPage; ++page) {
    if (physical[page] + kPage > sim::PhysicalMemory::k4G) return true;
  }
  return false;
}

// One transfer on channel `index`, start to finish, and what it should leave behind.
void transfer(sim::Board& board, MapKind kind, bool toDevice, uint32_t index, const Layout& layout, uint32_t seed) {
  SCOPED_TRACE(testing::Message() << nameOf(kind) << (toDevice ? " to device, " : " from device, ") << layout.pages
                                  << " pages, offset " << layout.offset << ", " << layout.bytes << " bytes");
  vltest::ConfiguredDMA dma(kind == MapKind::DirectBounce ? tDMAConfiguration::kDMAType32Bit
                                                          : tDMAConfiguration::kDMAType64Bit);
  std::unique_ptr<nVLAPAL000::tDMAMap> map;
  if (kind == MapKind::Standard) {
    map = std::make_unique<nVLAPAL000::tStandardDMAMap>(dma.configuration);
  } else {
    map = std::make_unique<nVLAPAL000::tDirectDMAMap>(dma.configuration);
  }
  // Host memory as user memory would be: anywhere, low or high.
  const uint64_t list = nVLZUK220_tPageList_createFromAllocation(layout.pages, 0);
  ASSERT_NE(list, 0u);
  const nVLAPAL000::tPageList buffer{layout.pages * kPage, 0, list};
  uint8_t* host = vltest::hostBytes(list, layout.offset);
  const std::vector<uint8_t> data = vltest::pattern(layout.bytes, seed);
  if (toDevice) {
    std::memcpy(host, data.data(), data.size());
  } else {
    std::memset(host, 0, data.size());
  }
  DmaChannel& model = board.bridge().channel(index);
  if (kind == MapKind::DirectBounce) model.setAddressLimit(0xFFFFFFFF);

  nVLAPALS100::tStatus status;
  map->map(buffer, layout.offset, layout.bytes, toDevice ? nVLAPAL000::kDMADeviceReads : nVLAPAL000::kDMADeviceWrites,
           status);
  nVLAPAL000::tWexelSGL chain;
  chain.initialize(dma.configuration, 512, status);
  chain.addDMAMapSegments(*map, status);
  chain.finalize(status);
  ASSERT_TRUE(status.isNotFatal()) << status.getCode();
  map->prepareForDMA();
  // Memory above 4 GiB reaches a 32-bit device only through bounce pages.
  if (kind == MapKind::DirectBounce) {
    EXPECT_EQ(static_cast<nVLAPAL000::tDirectDMAMap&>(*map).getBounceCount() != 0, touchesHighMemory(list, layout));
  }

  nVLAPAL000::tWexelDMAChannel channel(board.bar0().data(), index, status);
  nVLAPAL000::tWexelInterruptManager interrupts(board.bar0().data(), false);
  model.setDirection(toDevice ? DmaChannel::Direction::HostToDevice : DmaChannel::Direction::DeviceToHost);
  if (toDevice) model.setFifoCapacity(layout.bytes);
  channel.setInterruptEnables(0x0C008000 | 0x02000000);
  channel.armCountInterrupt(layout.bytes);
  channel.startWithLink(chain.getFirstLinkAddress(), false);
  if (!toDevice) model.feed(data);

  EXPECT_EQ(channel.bytesTransferred(), layout.bytes);
  EXPECT_EQ(model.status(), DmaChannel::kLinkReady | DmaChannel::kCountReached);
  EXPECT_TRUE(model.running());  // a ring: it waits for the FIFO
  EXPECT_GE(model.linksFetched(), 1u);
  channel.deactivate();
  EXPECT_FALSE(model.running());
  if (toDevice) {
    EXPECT_EQ(model.drain(), data);
  }
  EXPECT_EQ(model.status(), DmaChannel::kLinkReady | DmaChannel::kCountReached | DmaChannel::kStopEvent);

  // The channel's status words wait for the deferred routine.
  EXPECT_EQ(interrupts.dequeueInterrupt(),
            0x10000000u | sim::InterruptController::kMore | DmaChannel::kCountReached | index);
  const uint32_t stopWord = interrupts.dequeueInterrupt();
  EXPECT_EQ(stopWord, 0x10000000u | DmaChannel::kStopEvent | index);
  EXPECT_EQ(interrupts.dequeueInterrupt(), 0u);
  channel.handleInterrupt(stopWord);
  EXPECT_FALSE(channel.isRunning());

  map->completeDMA(channel.bytesTransferred());
  if (!toDevice) {
    EXPECT_EQ(std::vector<uint8_t>(host, host + layout.bytes), data);
  }
  map->unmap();
  nVLZUK220_tPageList_destroy(list);
  EXPECT_EQ(sim::PhysicalMemory::ownershipViolations(), 0u);
  EXPECT_EQ(sim::PhysicalMemory::unbackedAccesses(), 0u);
  EXPECT_EQ(sim::ScatterGather::pairingViolations(), 0u);
}

struct TransferCase {
  const char* name;
  Layout layout;
  uint64_t highEvery;
};

// Every page its own run (N pages make N segments); every run, or every
// second one, above 4 GiB.
const TransferCase kCases[] = {
    {"OneByte", {1, 0, 1}, 1},
    {"OnePage", {1, 0, kPage}, 1},
    {"ThirtyOneSegments", {31, 0, 31 * kPage}, 2},
    {"ThirtyTwoSegments", {32, 0, 32 * kPage}, 2},
    {"ThousandSegments", {1000, 0, 1000 * kPage}, 2},
    {"UnalignedEnds", {5, 123, 4 * kPage + 7}, 2},
};

class WexelDMATransfer : public testing::TestWithParam<std::tuple<MapKind, bool, TransferCase>> {};

TEST_P(WexelDMATransfer, ArrivesByteExactWithCountAndStatus) {
  const auto& [kind, toDevice, layout] = GetParam();
  sim::PhysicalMemory::setPlacement({1, layout.highEvery, 0, false});
  sim::Board board;
  transfer(board, kind, toDevice, 2, layout.layout, 7);
}

INSTANTIATE_TEST_SUITE_P(Layouts, WexelDMATransfer,
                         testing::Combine(testing::Values(MapKind::Standard, MapKind::Direct, MapKind::DirectBounce),
                                          testing::Bool(), testing::ValuesIn(kCases)),
                         [](const testing::TestParamInfo<WexelDMATransfer::ParamType>& info) {
                           return std::string(nameOf(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "ToDevice" : "FromDevice") + std::get<2>(info.param).name;
                         });

// A fixed seed keeps runs repeatable; VL_DMA_LAYOUT_SEED picks another.
TEST(WexelDMATransferRandom, RandomLayoutsArriveByteExact) {
  const char* chosen = std::getenv("VL_DMA_LAYOUT_SEED");
  const uint64_t seed = chosen != nullptr ? std::strtoull(chosen, nullptr, 0) : 20261206;
  std::printf("seed %llu (VL_DMA_LAYOUT_SEED)\n", static_cast<unsigned long long>(seed));
  std::mt19937_64 random(seed);
  for (int round = 0; round < 24; ++round) {
    sim::PhysicalMemory::setPlacement({1 + random() % 8, 2 + random() % 3, random() | 1, random() % 2 == 0});
    const uint64_t pages = 1 + random() % 200;
    const uint64_t offset = random() % kPage;
    const uint64_t bytes = 1 + random() % (pages * kPage - offset);
    const auto kind = static_cast<MapKind>(random() % 3);
    sim::Board board;
    transfer(board, kind, random() % 2 == 0, static_cast<uint32_t>(random() % 4), {pages, offset, bytes},
             static_cast<uint32_t>(round));
    if (testing::Test::HasFailure()) {
      ADD_FAILURE() << "seed " << seed << " round " << round;
      break;
    }
  }
}

}  // namespace
