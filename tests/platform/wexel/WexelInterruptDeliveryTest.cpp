// A DMA channel's status reaching the driver the whole road: the board
// model's channel posts a status word, the bridge asserts its interrupt,
// the simulated kernel layer calls the routine the PCI device reserved, and
// the handler claims through the bridge's interrupt manager (plain or with
// a status page), dequeues the words, hands the channel its status and
// re-enables.
#include <gtest/gtest.h>

#include <memory>

#include "driver/platform/dma/tStandardDMAMap.h"
#include "driver/platform/wexel/tWexelDMAChannel.h"
#include "driver/platform/wexel/tWexelInterruptManagerISP.h"
#include "driver/platform/wexel/tWexelSGL.h"
#include "sim/kernel/Interrupts.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/dma/DmaTestSupport.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tWexelDMAChannel;
using nVLAPAL000::tWexelInterruptManager;
using nVLAPALS100::tStatus;
using sim::DmaChannel;
using sim::Interrupts;

constexpr uint32_t kDmaWord = 0x10000000;
constexpr uint32_t kChannelMask = 0x3FFF;

// What the FPGA session's handler does with the bridge: claim in the
// interrupt routine, then service the words at once.
class BridgeHandler : public nVLAPAL000::iPrimaryInterruptHandler {
 public:
  BridgeHandler(tWexelInterruptManager& manager, tWexelDMAChannel& channel) : manager_(manager), channel_(channel) {}
  bool recognizeInterrupt() override {
    if (manager_.recognizeInterrupt() == 0) return false;
    for (uint32_t word = manager_.dequeueInterrupt(); word != 0; word = manager_.dequeueInterrupt()) {
      words.push_back(word);
      if ((word & kDmaWord) != 0 && (word & kChannelMask) == channel_.getIndex()) channel_.handleInterrupt(word);
    }
    manager_.acknowledgeInterrupts();
    return true;
  }
  std::vector<uint32_t> words;

 private:
  tWexelInterruptManager& manager_;
  tWexelDMAChannel& channel_;
};

class WexelInterruptDelivery : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    tStatus status;
    plugged.device().configureDMA(tDMAConfiguration::kDMAType64Bit, status);
    bridge = static_cast<volatile uint8_t*>(plugged.device().mapBAR(0, status));
    ASSERT_NE(bridge, nullptr);
    const tDMAConfiguration& dma = plugged.device().getDMAConfiguration();
    if (GetParam()) {
      manager = std::make_unique<nVLAPAL000::tWexelInterruptManagerISP>(bridge, dma, 8, 8, false, status);
    } else {
      manager = std::make_unique<tWexelInterruptManager>(bridge, false);
    }
    channel = std::make_unique<tWexelDMAChannel>(bridge, 1, status);
    handler = std::make_unique<BridgeHandler>(*manager, *channel);
    plugged.device().reserveInterrupt(handler.get(), status, 0);
    ASSERT_TRUE(status.isNotFatal());
  }
  void TearDown() override {
    plugged.device().relinquishInterrupt();
    handler.reset();
    channel.reset();
    manager.reset();
    plugged.device().unmapBAR(const_cast<uint8_t*>(bridge));
  }
  uint64_t line() { return plugged.board().pciHandle(); }

  vltest::PciTestBoard plugged;
  volatile uint8_t* bridge = nullptr;
  std::unique_ptr<tWexelInterruptManager> manager;
  std::unique_ptr<tWexelDMAChannel> channel;
  std::unique_ptr<BridgeHandler> handler;
};

TEST_P(WexelInterruptDelivery, ByteCountAndStopReachTheChannelThroughTheInterrupt) {
  const tDMAConfiguration& dma = plugged.device().getDMAConfiguration();
  tStatus status;
  nVLAPAL000::tPageList buffer{};
  dma.allocateDMABuffer(buffer, 3 * 4096, 0, status, 8);
  nVLAPAL000::tStandardDMAMap map(dma);
  map.map(buffer, 0, buffer.size, nVLAPAL000::kDMADeviceWrites, status);
  nVLAPAL000::tWexelSGL list;
  list.initialize(dma, 512, status);
  list.addDMAMapSegments(map, status);
  list.finalize(status);
  ASSERT_TRUE(status.isNotFatal());
  map.prepareForDMA();

  DmaChannel& model = plugged.board().bridge().channel(1);
  model.setDirection(DmaChannel::Direction::DeviceToHost);
  manager->setInterruptEnables(0x10000000);  // DMA only: output on, every source off
  channel->setInterruptEnables(DmaChannel::kStopEvent | DmaChannel::kChainEnd | DmaChannel::kCountReached);
  channel->armCountInterrupt(buffer.size);
  channel->startWithLink(list.getFirstLinkAddress(), false);
  const std::vector<uint8_t> data = vltest::pattern(buffer.size, 3);
  model.feed(data);

  EXPECT_EQ(handler->words, (std::vector<uint32_t>{kDmaWord | DmaChannel::kCountReached | 1}));
  EXPECT_TRUE(channel->isRunning());
  channel->deactivate();
  EXPECT_EQ(handler->words.back(), kDmaWord | DmaChannel::kStopEvent | 1);
  EXPECT_FALSE(channel->isRunning());
  EXPECT_EQ(Interrupts::counts(line()).claimed, 2u);
  EXPECT_EQ(Interrupts::counts(line()).lost, 0u);

  map.completeDMA(channel->bytesTransferred());
  EXPECT_EQ(std::vector<uint8_t>(vltest::hostBytes(buffer.handle), vltest::hostBytes(buffer.handle) + data.size()),
            data);
  map.unmap();
  dma.freeDMABuffer(buffer);
  EXPECT_EQ(sim::PhysicalMemory::ownershipViolations(), 0u);
  EXPECT_EQ(sim::ScatterGather::pairingViolations(), 0u);
}

TEST_P(WexelInterruptDelivery, WordsWaitWhileTheOutputIsOffAndArriveWhenItIsOn) {
  channel->setInterruptEnables(DmaChannel::kError);
  channel->startWithLink(nVLAPAL000::tWexelSGLFirstLink{0x7000000000ull, 64}, false);  // nothing there
  channel->startWithLink(nVLAPAL000::tWexelSGLFirstLink{0x7000001000ull, 64}, false);
  EXPECT_TRUE(handler->words.empty());
  EXPECT_EQ(Interrupts::counts(line()).raised, 0u);
  manager->setInterruptEnables(0x200);
  const uint32_t error = kDmaWord | DmaChannel::kError | 1;
  EXPECT_EQ(handler->words, (std::vector<uint32_t>{sim::InterruptController::kMore | error, error}));
  EXPECT_EQ(Interrupts::counts(line()).claimed, 1u);
  EXPECT_FALSE(channel->isRunning());
}

TEST_P(WexelInterruptDelivery, AnotherDevicesInterruptOnTheSharedLineIsNotClaimed) {
  manager->setInterruptEnables(0x200);
  plugged.board().raiseInterrupt();  // the line, with nothing asserted by the bridge
  EXPECT_EQ(Interrupts::counts(line()).delivered, 1u);
  EXPECT_EQ(Interrupts::counts(line()).claimed, 0u);
  plugged.board().bridge().interrupts().raiseSource(sim::InterruptController::kSourceIrq);
  EXPECT_EQ(handler->words, (std::vector<uint32_t>{sim::InterruptController::kSourceIrq}));
  EXPECT_EQ(Interrupts::counts(line()).claimed, 1u);
}

INSTANTIATE_TEST_SUITE_P(Managers, WexelInterruptDelivery, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "StatusPage" : "Registers";
                         });

}  // namespace
