// The FPGA-session interface through the packaged module (its framing is
// tested with the main interface's, its FIFO streams by the FPGA scenario
// family): the interface's own attribute, block transfers, release without
// output, and a personality configured with a bitfile the board model
// receives through its loader.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/fpga/FpgaSessionRequests.h"
#include "sim/board/FpgaPersonality.h"
#include "sim/host/DeviceFile.h"
#include "sim/host/RequestClient.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PageLists.h"
#include "tests/fpga/SessionWire.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::lymrequests;

using vltest::kFpgaInterface;
constexpr uint32_t kControl = 0x100, kReset = 0x104, kSignature = 0x108, kIrq = 0x200;

// Two sessions of the FPGA interface: `file`, with its client, and `second`.
class FpgaInterface : public vltest::OpenedBoard {
 protected:
  void SetUp() override {
    open({}, {}, kFpgaInterface);
    second = sim::DeviceFile::open(rig->module(), kFpgaInterface);
    ASSERT_NE(second, nullptr);
  }
  // Our registers, no host buffers or FIFOs, the refusal code 0xFFFF0001
  // and the signature 1 2 3 4; the design's bitfile as given.
  sim::TypedReply<ConfigurePersonalityQrt::Out> configure(uint32_t attributes, const sim::UserBlock& bitfile) {
    vltest::WireBytes block;
    for (uint32_t w : {kControl, kReset, kIrq, kSignature, 0xFFFFFFFFu, 0u, attributes, 0xFFFF0001u, 1u, 2u, 3u, 4u}) {
      block.u32(w);
    }
    personalityCopy = vltest::userCopyOf(block.bytes);
    const std::vector<uint8_t> list = vltest::fifoList({});
    fifoCopy = vltest::userCopyOf(list);
    return client->call<ConfigurePersonalityQrt>({.personalityAddress = personalityCopy->address(),
                                                  .personalitySize = 48,
                                                  .fifoListAddress = fifoCopy->address(),
                                                  .fifoListSize = static_cast<uint32_t>(list.size()),
                                                  .bitfileAddress = bitfile.address(),
                                                  .bitfileSize = static_cast<uint32_t>(bitfile.size())});
  }
  std::unique_ptr<sim::DeviceFile> second;
  std::unique_ptr<sim::UserBlock> personalityCopy, fifoCopy;
};

TEST_F(FpgaInterface, AttributeOneIsOneWordForEverySessionOfTheDevice) {
  EXPECT_EQ(client->call<GetAttribute32>({.attribute = 1, .status = 0}).out.value, 0xFFFFFFFFu);
  EXPECT_EQ(client->call<SetAttribute32>({.attribute = 1, .value = 7, .status = 0}).outStatus(), 0);
  const auto other = sim::RequestClient(*second).call<GetAttribute32>({.attribute = 1, .status = 0});
  EXPECT_EQ(other.out.value, 7u);
  EXPECT_EQ(other.outStatus(), 0);
}

TEST_F(FpgaInterface, BlockTransfersUpTo64BytesAllocateNothing) {
  sim::UserBlock block(65);
  sim::Memory::allocationFaults().failNth(1u << 30, 0);  // counts calls, fails none
  for (uint32_t count : {64u, 65u}) {
    const uint64_t before = sim::Memory::allocationFaults().calls();
    const auto reply = client->call<ReadBlock>(
        {.offset = 0x1000, .address = block.address(), .byteCount = count, .elementSize = 1, .increment = 1});
    EXPECT_EQ(reply.outStatus(), 0) << count;
    EXPECT_EQ(sim::Memory::allocationFaults().calls() - before, count > 64 ? 1u : 0u) << count;
  }
  sim::Memory::allocationFaults().clear();
}

TEST_F(FpgaInterface, ReleasingWithoutAPersonalityAnswersNoBytes) {
  std::vector<uint8_t> input(16, 0);
  input[8] = 1;
  const auto reply = file->ioctl({ReleasePersonality::kCode, input, 0, 0});
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.resultField, 0);
}

// A small design the loader is told to expect, its personality block and
// the signature its registers report.
TEST_F(FpgaInterface, ConfiguresWithABitfileThenServesRegistersIrqsAndAResetAndStalesMainSessions) {
  auto mainFile = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
  ASSERT_NE(mainFile, nullptr);
  sim::FpgaPersonality personality(rig->board().fpga(), kControl, kReset, kSignature);
  personality.setSignature({1, 2, 3, 4});
  rig->board().fpga().placeIrqBlock(kIrq);
  std::vector<uint8_t> bitfile(4096);
  for (size_t i = 0; i < bitfile.size(); ++i) bitfile[i] = static_cast<uint8_t>(i * 7 + 3);
  rig->board().bridge().fpgaLoader().expect(bitfile);
  sim::UserBlock design(bitfile.size());
  std::copy(bitfile.begin(), bitfile.end(), design.data());
  const auto configured = configure(1u << 29, design);
  ASSERT_EQ(configured.outStatus(), 0);
  EXPECT_EQ(configured.out.downloaded, 1);
  EXPECT_EQ(rig->board().bridge().fpgaLoader().received(), bitfile);
  EXPECT_EQ(client->call<GetAttribute32>({.attribute = 84}).out.value, 0xFFFF0001u);

  EXPECT_EQ(client->call<Write32>({.offset = kControl, .value = 5}).outStatus(), 0);
  EXPECT_EQ(personality.controlWrites().back(), 5u);
  // The model raises line 2 once the waiter has unmasked it.
  std::thread raiser([this] {
    for (int i = 0; i < 2000 && (rig->board().fpga().irqMask() & 0x4) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    rig->board().fpga().raiseIrqs(0x4);
  });
  const auto irq = client->call<WaitOnIrqs>({.irqMask = 0x6, .timeoutMs = 0xFFFFFFFF});
  raiser.join();
  EXPECT_EQ(irq.outStatus(), 0);
  EXPECT_EQ(irq.out.irqs, 0x4u);
  EXPECT_EQ(client->call<Reset>().outStatus(), 0);
  EXPECT_EQ(personality.resetWrites(), 1u);

  const auto stale =
      sim::RequestClient(*mainFile).call<nVL9738K_24_0::requests::GetModuleRev>({.index = 0, .status = 0});
  EXPECT_EQ(stale.outStatus(), vltest::kStaleSession);
}

// A device reset leaves FPGA sessions opened before it stale through the
// whole road: the frame answers the stale code and no register value, the
// validity query says so, and a session opened after it is valid.
TEST_F(FpgaInterface, AfterADeviceResetOldSessionsAnswerTheStaleCode) {
  auto mainFile = sim::DeviceFile::open(rig->module(), vltest::kMainInterface);
  ASSERT_NE(mainFile, nullptr);
  ASSERT_EQ(sim::RequestClient(*mainFile).call<nVL9738K_24_0::requests::ResetDevice>().outStatus(), 0);
  const auto read = client->call<Read32>({.offset = kControl});
  EXPECT_EQ(read.outStatus(), vltest::kStaleSession);
  EXPECT_EQ(read.out.value, 0xFFFFFFFFu);
  EXPECT_EQ(client->call<IsSessionValid>().out.valid, 0u);
  auto fresh = sim::DeviceFile::open(rig->module(), kFpgaInterface);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(sim::RequestClient(*fresh).call<IsSessionValid>().out.valid, 1u);
}

// Every allocation of a refused configuration fails in turn: each attempt
// fails cleanly and gives back what it took (blocks, locked pages, copies).
TEST_F(FpgaInterface, AConfigurationWithOptionWordsFailsCleanlyWhereverAnAllocationFails) {
  sim::UserBlock design(8192), block(48), fifos(37);
  ConfigurePersonalityQrt::In in{.personalityAddress = block.address(),
                                 .personalitySize = 48,
                                 .fifoListAddress = fifos.address(),
                                 .fifoListSize = 37,
                                 .bitfileAddress = design.address(),
                                 .bitfileSize = 8192,
                                 .options = {1, 2, 3, 4},
                                 .optionsPresent = 1};
  fifos.put<uint8_t>(0, 1);
  const size_t lists = sim::PageLists::userLists();
  vltest::sweepAllocationFailures([&] {
    const auto reply = client->call<ConfigurePersonalityQrt>(in);
    return reply.outStatus() != 0 && reply.resultField == 8 && sim::PageLists::userLists() == lists ? 0 : 1;
  });
  EXPECT_EQ(client->call<ConfigurePersonalityQrt>(in).outStatus(), -52002);
}

}  // namespace
